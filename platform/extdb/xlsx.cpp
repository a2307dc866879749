// .xlsx: a zip of XML parts. The workbook is found through the package relations, its
// sheets through the workbook's; cells read as the sheet streams by, entry sizes capped.
#include "platform/extdb/biff.h"
#include "platform/extdb/extdb.h"
#include "platform/extdb/plainxml.h"
#include "platform/extdb/sharedtexts.h"
#include "platform/extdb/sheet.h"
#include "platform/extdb/xmlguard.h"
#include "platform/core/vberror.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QVarLengthArray>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <optional>
#include <zip.h>

namespace extdb {
namespace {

constexpr qint64 kMaxPartSize = qint64(64) << 20;      // workbook, relations, styles
constexpr qint64 kMaxStringsSize = qint64(256) << 20;  // shared strings
constexpr qint64 kMaxSheetSize = qint64(2048) << 20;   // a sheet
constexpr qint64 kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// One entry of the zip as a device for QXmlStreamReader, refusing to give more than its
// cap or XML that would cost that reader more than its size (see XmlGuard).
class EntryDevice : public QIODevice {
public:
    EntryDevice(zip_file_t* file, qint64 cap) : m_file(file), m_cap(cap) { open(QIODevice::ReadOnly); }
    ~EntryDevice() override
    {
        close();
        zip_fclose(m_file);
    }
    bool isSequential() const override { return true; }
    bool tooLarge() const { return m_tooLarge; }
    QString failure() const { return m_failure; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_tooLarge || !m_failure.isEmpty())
            return -1;
        const zip_int64_t n = zip_fread(m_file, data, zip_uint64_t(maxSize));
        if (n < 0) {
            m_failure = QString::fromLocal8Bit(zip_file_strerror(m_file));
            return -1;
        }
        m_read += n;
        if (m_read > m_cap) {
            m_tooLarge = true;
            return -1;
        }
        m_failure = m_guard.feed(QByteArrayView(data, n));
        return m_failure.isEmpty() ? n : -1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    zip_file_t* m_file;
    qint64 m_cap;
    qint64 m_read = 0;
    bool m_tooLarge = false;
    QString m_failure;
    XmlGuard m_guard;
};

struct Archive {
    zip_t* zip = nullptr;
    QString path;       // for messages
    QByteArray buffer;  // the bytes of an archive read from memory
    ~Archive()
    {
        if (zip)
            zip_discard(zip);
    }

    bool has(const QString& name) const
    {
        return zip_name_locate(zip, name.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
    }

    std::unique_ptr<EntryDevice> entry(const QString& name, qint64 cap) const
    {
        return std::make_unique<EntryDevice>(open(name, cap), cap);
    }

    // An entry to read, raising when it is missing or claims more than cap bytes.
    zip_file_t* open(const QString& name, qint64 cap) const
    {
        const zip_int64_t index = zip_name_locate(zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
        if (index < 0)
            damaged(path, QStringLiteral("缺少部件 %1").arg(name));
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, zip_uint64_t(index), 0, &st) != 0)
            damaged(path, QString::fromLocal8Bit(zip_strerror(zip)));
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(cap))
            damaged(path, QStringLiteral("部件 %1 的大小 %2 超出限度").arg(name, QString::number(st.size)));
        zip_file_t* f = zip_fopen_index(zip, zip_uint64_t(index), 0);
        if (!f)
            damaged(path, QString::fromLocal8Bit(zip_strerror(zip)));
        return f;
    }

    // Raises when the XML of an entry could not be read to its end.
    void check(const QXmlStreamReader& xml, const EntryDevice& dev, const QString& name) const
    {
        if (dev.tooLarge())
            damaged(path, QStringLiteral("部件 %1 超出大小限度").arg(name));
        if (!dev.failure().isEmpty())
            damaged(path, QStringLiteral("部件 %1: %2").arg(name, dev.failure()));
        if (xml.hasError())
            damaged(path, QStringLiteral("部件 %1 第 %2 行: %3").arg(name, QString::number(xml.lineNumber()), xml.errorString()));
    }
};

// An entry of the zip as PlainXml reads it, refusing to give more than its cap.
class EntryInput : public XmlInput {
public:
    EntryInput(const Archive& zip, const QString& name, qint64 cap)
        : m_zip(zip), m_name(name), m_cap(cap), m_file(zip.open(name, cap))
    {
    }
    ~EntryInput() override { zip_fclose(m_file); }

    qint64 read(char* to, qint64 n) override
    {
        // A part that cannot be read to its end is for QXmlStreamReader to judge, as far
        // as it reads.
        const zip_int64_t got = zip_fread(m_file, to, zip_uint64_t(n));
        if (got < 0)
            notPlain();
        m_read += got;
        if (m_read > m_cap)
            damaged(m_zip.path, QStringLiteral("部件 %1 超出大小限度").arg(m_name));
        return got;
    }

    void rewind() override
    {
        zip_file_t* f = m_zip.open(m_name, m_cap);
        zip_fclose(m_file);
        m_file = f;
        m_read = 0;
    }

    void refuse(const QString& what) override { damaged(m_zip.path, QStringLiteral("部件 %1: %2").arg(m_name, what)); }

private:
    const Archive& m_zip;
    QString m_name;
    qint64 m_cap;
    zip_file_t* m_file;
    qint64 m_read = 0;
};

// The relationship id attribute ("r:id" in whatever namespace).
QString relationId(const QXmlStreamAttributes& attributes)
{
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == u"id" && !a.namespaceUri().isEmpty())
            return a.value().toString();
    return QString();
}

QString folderOf(const QString& part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString resolve(const QString& folder, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(folder + target);
}

struct Relation {
    QString type;    // the last segment of the type, e.g. "worksheet"
    QString target;  // the part's name in the zip
};

// The relations of a part: id -> relation. No relations part: none.
QHash<QString, Relation> readRelations(const Archive& zip, const QString& part)
{
    QHash<QString, Relation> out;
    const QString rels = folderOf(part) + QStringLiteral("_rels/") + part.mid(folderOf(part).size()) +
                         QStringLiteral(".rels");
    if (!zip.has(rels))
        return out;
    auto dev = zip.entry(rels, kMaxPartSize);
    QXmlStreamReader xml(dev.get());
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (a.value(QLatin1String("TargetMode")) == u"External")
            continue;
        const QString type = a.value(QLatin1String("Type")).toString();
        out.insert(a.value(QLatin1String("Id")).toString(), {type.mid(type.lastIndexOf(QLatin1Char('/')) + 1),
                                                resolve(folderOf(part), a.value(QLatin1String("Target")).toString())});
    }
    zip.check(xml, *dev, rels);
    return out;
}

// "_xHHHH_" escapes decoded.
void unescape(QString& text)
{
    qsizetype at = text.indexOf(QLatin1String("_x"));
    while (at >= 0) {
        bool ok = false;
        const uint code = at + 7 <= text.size() && text.at(at + 6) == u'_' ? text.mid(at + 2, 4).toUInt(&ok, 16) : 0;
        if (ok) {
            text.replace(at, 7, QChar(char16_t(code)));
            at = text.indexOf(QLatin1String("_x"), at + 1);
        } else {
            at = text.indexOf(QLatin1String("_x"), at + 2);
        }
    }
}

// The text of the element just started and of every element inside it, read without
// recursion (QXmlStreamReader's own reading recurses once per level of nesting).
QString elementText(QXmlStreamReader& xml)
{
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: ++depth; break;
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference: text += xml.text(); break;
        default: break;
        }
    }
    return text;
}

// Text of a string item: its <t> runs, phonetic runs left out; "_xHHHH_" escapes decoded.
QString readRichText(QXmlStreamReader& xml)
{
    const QString end = xml.name().toString();
    QString text;
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && !phonetic)
                text += elementText(xml);
        } else if (xml.isEndElement()) {
            if (xml.name() == u"rPh")
                --phonetic;
            else if (xml.name() == end)
                break;
        }
    }
    unescape(text);
    return text;
}

// A short value of a plain sheet as UTF-16, on the stack when ASCII.
class Wide {
public:
    explicit Wide(QByteArrayView bytes)
    {
        for (char c : bytes)
            if (uchar(c) >= 0x80) {
                m_text = QString::fromUtf8(bytes);
                return;
            }
        m_ascii.resize(bytes.size());
        for (qsizetype i = 0; i < bytes.size(); ++i)
            m_ascii[i] = char16_t(bytes[i]);
    }
    QStringView view() const { return m_text.isNull() ? QStringView(m_ascii.constData(), m_ascii.size()) : QStringView(m_text); }

private:
    QVarLengthArray<char16_t, 32> m_ascii;
    QString m_text;
};

// Digits only, at most nine: their value; else -1.
int smallNumber(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes.size() > 9)
        return -1;
    int n = 0;
    for (char c : bytes) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// As readRichText, from PlainXml, into text.
void plainRichText(PlainXml& xml, QString& text)
{
    const QByteArrayView name = xml.name();
    const QVarLengthArray<char, 16> end(name.begin(), name.end());
    text.truncate(0);   // its memory kept
    int phonetic = 0;
    for (;;) {
        const PlainXml::Token t = xml.next();
        if (t == PlainXml::Start) {
            if (xml.named("rPh")) {
                ++phonetic;
            } else if (xml.named("t") && !phonetic) {
                // The text of the run and of whatever it holds.
                for (int depth = 1; depth > 0;) {
                    const PlainXml::Token u = xml.next();
                    if (u == PlainXml::Text)
                        PlainXml::decode(xml.text(), text);
                    depth += u == PlainXml::Start ? 1 : u == PlainXml::End ? -1 : 0;
                }
            }
        } else if (t == PlainXml::End) {
            if (xml.named("rPh"))
                --phonetic;
            else if (xml.name() == QByteArrayView(end.data(), end.size()))
                break;
        }
    }
    unescape(text);
}

// A string item as most are written, <si/> or <si><t>TEXT</t></si> with nothing in the text
// but characters and references, taken whole from what lies ahead of xml into strings (text
// decoded when it must be); false (nothing taken) for any other.
bool plainItem(PlainXml& xml, QString& text, SharedTexts& strings)
{
    const QByteArrayView ahead = xml.ahead();
    if (ahead.startsWith("<si/>")) {
        xml.skip(5);
        strings.append(QStringView());
        return true;
    }
    if (!ahead.startsWith("<si><t>"))
        return false;
    const qsizetype end = find(ahead, '<', 7);
    const QByteArrayView raw = ahead.sliced(7, qMax<qsizetype>(end, 7) - 7);
    if (end < 0 || !ahead.sliced(end).startsWith("</t></si>") || find(raw, '>') >= 0)
        return false;
    // ASCII with no reference, escape or carriage return is its own text.
    bool ascii = raw.indexOf("_x") < 0;
    for (qsizetype i = 0; ascii && i < raw.size(); ++i)
        ascii = uchar(raw[i]) < 0x80 && raw[i] != '&' && raw[i] != '\r';
    if (ascii) {
        strings.appendLatin1(raw);
    } else {
        text.truncate(0);
        PlainXml::decode(raw, text);
        unescape(text);
        strings.append(text);
    }
    xml.skip(end + 9);
    return true;
}

// A fraction written as numberText writes its value: no sign but '-', no exponent, no
// leading or trailing zeros, at most 15 digits (so that 'g' with 15 gives them back).
bool isPlainDecimal(QStringView t)
{
    const qsizetype start = t.startsWith(u'-') ? 1 : 0;
    const qsizetype point = t.indexOf(u'.');
    if (point <= start || point == t.size() - 1 || t.back() == u'0' || t.size() - start - 1 > 15)
        return false;
    for (qsizetype i = start; i < t.size(); ++i)
        if (i != point && (t[i] < u'0' || t[i] > u'9'))
            return false;
    // "0.x" has the 0 before its point only, and x starting with a digit past 0.
    if (t[start] == u'0')
        return point == start + 1 && t[point + 1] != u'0';
    return true;
}


class XlsxTable : public SheetTable {
public:
    XlsxTable(std::shared_ptr<const Archive> zip, const QString& part, std::shared_ptr<const SharedTexts> strings,
              const QVector<bool>& dateStyles, bool date1904)
        : m_zip(std::move(zip)), m_part(part), m_strings(std::move(strings)), m_dateStyles(dateStyles), m_date1904(date1904)
    {
        // Read by PlainXml as it streams by; when it is not plain, by QXmlStreamReader.
        try {
            m_input = std::make_unique<EntryInput>(*m_zip, part, kMaxSheetSize);
            m_plain.emplace(*m_input);
            readHeading();
            return;
        } catch (const NotPlain&) {
        }
        m_plain.reset();
        m_input.reset();
        rewind();
        readHeading();
    }

protected:
    bool fetchRaw(qint64& sheetRow, Row& cells) override
    {
        cells.clear();
        cells.share(m_strings);
        if (m_plain) {
            for (PlainXml::Token t; (t = m_plain->next()) != PlainXml::Done;)
                if (t == PlainXml::Start && m_plain->named("row")) {
                    readPlainRow(sheetRow, cells);
                    return true;
                }
            return false;
        }
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement() && m_xml.name() == u"row") {
                readRow(sheetRow, cells);
                return true;
            }
        }
        m_zip->check(m_xml, *m_dev, m_part);
        return false;
    }

    void rewind() override
    {
        m_row = 0;
        if (m_plain) {
            m_plain->restart();
            return;
        }
        auto dev = m_zip->entry(m_part, kMaxSheetSize);
        m_xml.setDevice(dev.get());
        m_dev = std::move(dev);
    }

private:
    void startRow(QStringView r, qint64& sheetRow)
    {
        qint64 number = m_row + 1;
        if (!r.isEmpty()) {
            bool ok = false;
            number = r.toLongLong(&ok);
            if (!ok)
                number = 0;
        }
        if (number > kMaxRows)
            damaged(m_zip->path, QStringLiteral("%1 的第 %2 行超出工作表的 %3 行").arg(m_part).arg(number).arg(kMaxRows));
        if (number <= m_row)
            damaged(m_zip->path, QStringLiteral("%1 的行号 %2 无效").arg(m_part, r.toString()));
        m_row = number;
        sheetRow = number;
    }

    void readRow(qint64& sheetRow, Row& cells)
    {
        startRow(m_xml.attributes().value(QLatin1String("r")), sheetRow);
        int column = -1;
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isEndElement() && m_xml.name() == u"row")
                return;
            if (m_xml.isStartElement() && m_xml.name() == u"c") {
                const QXmlStreamAttributes a = m_xml.attributes();
                column = cellColumn(a.value(QLatin1String("r")), column);
                readCell(a, column, cells);
            }
        }
        m_zip->check(m_xml, *m_dev, m_part);
    }

    void readPlainRow(qint64& sheetRow, Row& cells)
    {
        const QByteArrayView r = m_plain->attribute("r");
        const int number = smallNumber(r);
        if (number > m_row && number <= kMaxRows)
            m_row = sheetRow = number;
        else
            startRow(Wide(r).view(), sheetRow);
        int column = -1;
        for (;;) {
            const PlainXml::Token t = m_plain->next();
            if (t == PlainXml::End && m_plain->named("row"))
                return;
            if (t == PlainXml::Start && m_plain->named("row"))
                notPlain();
            if (t == PlainXml::Start && m_plain->named("c")) {
                column = cellColumn(Wide(m_plain->attribute("r")).view(), column);
                readPlainCell(column, cells);
            }
        }
    }

    // The column of the cell just started, from 0: its reference, or the next one.
    int cellColumn(QStringView ref, int previous)
    {
        if (ref.isEmpty() && previous + 1 >= kMaxColumns)
            damaged(m_zip->path, QStringLiteral("%1 第 %2 行的单元格多于 %3 列").arg(m_part).arg(m_row).arg(kMaxColumns));
        if (ref.isEmpty())
            return previous + 1;
        int column = 0, i = 0;
        for (; i < ref.size() && ref.at(i).isLetter() && column <= kMaxColumns; ++i)
            column = column * 26 + (ref.at(i).toUpper().unicode() - 'A' + 1);
        if (i == 0 || column > kMaxColumns || column - 1 <= previous)
            damaged(m_zip->path, QStringLiteral("%1 的单元格引用 %2 无效").arg(m_part, ref.toString()));
        return column - 1;
    }

    void readCell(const QXmlStreamAttributes& a, int column, Row& cells)
    {
        QString v, inlineText;
        bool hasV = false, hasInline = false;
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isEndElement() && m_xml.name() == u"c")
                break;
            if (!m_xml.isStartElement())
                continue;
            if (m_xml.name() == u"v") {
                v = elementText(m_xml);
                hasV = true;
            } else if (m_xml.name() == u"is") {
                inlineText = readRichText(m_xml);
                hasInline = true;
            } else {
                m_xml.skipCurrentElement();
            }
        }
        m_zip->check(m_xml, *m_dev, m_part);
        const QStringView type = a.value(QLatin1String("t"));
        if (type == u"s" && hasV)
            cells.appendShared(column, sharedIndex(v, a.value(QLatin1String("r"))));
        else
            cells.append(column, cellValue(type, a.value(QLatin1String("r")), a.value(QLatin1String("s")).toInt(),
                                           hasV ? &v : nullptr, hasInline ? &inlineText : nullptr));
    }

    // As readCell, from PlainXml. The attributes are taken before the content moves the
    // reader on.
    void readPlainCell(int column, Row& cells)
    {
        using Small = QVarLengthArray<char, 24>;
        const auto copy = [](QByteArrayView a) { return Small(a.begin(), a.end()); };
        const auto view = [](const Small& a) { return QByteArrayView(a.data(), a.size()); };
        const Small type = copy(m_plain->attribute("t")), ref = copy(m_plain->attribute("r"));
        const QByteArrayView s = m_plain->attribute("s");
        int style = smallNumber(s);
        if (style < 0)
            style = Wide(s).view().toInt();
        QVarLengthArray<char, 64> v;
        bool hasV = false, hasInline = false;
        for (int skipped = 0;;) {
            const PlainXml::Token t = m_plain->next();
            if (skipped) {
                skipped += t == PlainXml::Start ? 1 : t == PlainXml::End ? -1 : 0;
                continue;
            }
            if (t == PlainXml::End && m_plain->named("c"))
                break;
            if (t != PlainXml::Start)
                continue;
            if (m_plain->named("v")) {
                hasV = true;
                v.clear();
                PlainXml::Token u;
                while ((u = m_plain->next()) == PlainXml::Text) {
                    v.clear();
                    v.append(m_plain->text().data(), m_plain->text().size());
                }
                if (u != PlainXml::End)
                    notPlain();
            } else if (m_plain->named("is")) {
                plainRichText(*m_plain, m_text);
                hasInline = true;
            } else {
                skipped = 1;
            }
        }
        const QByteArrayView value(v.data(), v.size());
        if (hasV && equals(view(type), "s")) {
            const int index = smallNumber(value);
            cells.appendShared(column, index >= 0 && index < m_strings->size() ? index
                                                                               : sharedIndex(PlainXml::decode(value), Wide(view(ref)).view()));
            return;
        }
        const QString text = hasV ? PlainXml::decode(value) : QString();
        cells.append(column, cellValue(Wide(view(type)).view(), Wide(view(ref)).view(), style, hasV ? &text : nullptr,
                                       hasInline ? &m_text : nullptr));
    }

    // The shared string a cell of type "s" names by its value v.
    qint32 sharedIndex(const QString& v, QStringView ref) const
    {
        bool ok = false;
        const qint64 index = v.trimmed().toLongLong(&ok);
        if (!ok || index < 0 || index >= m_strings->size())
            damaged(m_zip->path, QStringLiteral("单元格 %1 的共享字符串序号 %2 无效").arg(ref.toString(), v));
        return qint32(index);
    }

    // A cell's value from its type, style and <v> or inline text (null when absent); a
    // shared string is not read here.
    QVariant cellValue(QStringView type, QStringView ref, int style, const QString* value, const QString* inlineText)
    {
        if (type == u"inlineStr")
            return inlineText ? QVariant(*inlineText) : QVariant();
        if (!value || type == u"e" || type == u"s")
            return QVariant();
        const QString& v = *value;
        if (type == u"str")
            return v;
        if (type == u"b")
            return v.trimmed() == u"1" ? QStringLiteral("True") : QStringLiteral("False");
        if (type == u"d") {
            const QDateTime d = QDateTime::fromString(v.trimmed(), Qt::ISODate);
            return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : v;
        }
        const QString t = v.trimmed();
        if (t.isEmpty())
            return QVariant();
        const bool dateStyle = style >= 0 && style < m_dateStyles.size() && m_dateStyles.at(style);
        if (!dateStyle && isPlainDecimal(t))
            return t;
        // A whole number of at most 15 digits as written, 0 once however many zeros.
        const qsizetype sign = t.startsWith(u'-') ? 1 : 0;
        if (!dateStyle && t.size() > sign && t.size() - sign <= 15 &&
            std::all_of(t.begin() + sign, t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::all_of(t.begin() + sign, t.end(), [](QChar c) { return c == u'0'; }) ? QStringLiteral("0") : t;
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok)
            damaged(m_zip->path, QStringLiteral("单元格 %1 的数值 %2 无效").arg(ref.toString(), t));
        if (dateStyle) {
            const QString date = serialDateText(d, m_date1904);
            if (!date.isEmpty())
                return date;
        }
        if (d == 0)
            return QStringLiteral("0");
        // Whole numbers written out keep every digit, even past a double's.
        const bool whole = std::all_of(t.begin() + (t.startsWith(u'-') ? 1 : 0), t.end(),
                                       [](QChar c) { return c >= u'0' && c <= u'9'; });
        return whole ? t : numberText(d);
    }

    std::shared_ptr<const Archive> m_zip;
    QString m_part;
    std::shared_ptr<const SharedTexts> m_strings;
    QVector<bool> m_dateStyles;
    bool m_date1904;
    std::unique_ptr<EntryInput> m_input;
    std::optional<PlainXml> m_plain;
    QString m_text;   // an inline text, its memory kept from cell to cell
    std::unique_ptr<EntryDevice> m_dev;
    QXmlStreamReader m_xml;
    qint64 m_row = 0;
};

class XlsxSource : public Source {
public:
    explicit XlsxSource(std::shared_ptr<Archive> zip) : m_zip(std::move(zip))
    {
        QString workbook = QStringLiteral("xl/workbook.xml");
        for (const Relation& r : readRelations(*m_zip, QStringLiteral("")))
            if (r.type == u"officeDocument")
                workbook = r.target;
        if (!m_zip->has(workbook))
            damaged(m_zip->path, QStringLiteral("不是Excel工作簿"));
        const QHash<QString, Relation> rels = readRelations(*m_zip, workbook);
        for (const Relation& r : rels) {
            if (r.type == u"sharedStrings")
                m_stringsPart = r.target;
            else if (r.type == u"styles")
                m_stylesPart = r.target;
        }
        auto dev = m_zip->entry(workbook, kMaxPartSize);
        QXmlStreamReader xml(dev.get());
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            // Extensions hold workbookPr elements of their own, without the date system.
            if (xml.name() == u"workbookPr" && xml.attributes().hasAttribute(QLatin1String("date1904"))) {
                const QStringView v = xml.attributes().value(QLatin1String("date1904"));
                m_date1904 = v == u"1" || v == u"true";
            } else if (xml.name() == u"sheet") {
                const Relation r = rels.value(relationId(xml.attributes()));
                if (r.type == u"worksheet") {
                    m_names.append(xml.attributes().value(QLatin1String("name")).toString());
                    m_parts.append(r.target);
                }
            }
        }
        m_zip->check(xml, *dev, workbook);
        m_index.emplace(m_names);
    }

    QString kind() const override { return QStringLiteral("Excel 12.0 Xml"); }
    QStringList tableNames() const override { return m_names; }

    std::unique_ptr<Table> openTable(const QString& name) override
    {
        const int i = m_index->find(name);
        loadShared();
        return std::make_unique<XlsxTable>(m_zip, m_parts[i], m_strings, m_dateStyles, m_date1904);
    }

private:
    void loadShared()
    {
        if (m_sharedLoaded)
            return;
        // Read by PlainXml as it streams by; when it is not plain, by QXmlStreamReader.
        auto strings = std::make_shared<SharedTexts>();
        bool stringsRead = m_stringsPart.isEmpty();
        if (!stringsRead) {
            try {
                EntryInput input(*m_zip, m_stringsPart, kMaxStringsSize);
                PlainXml xml(input);
                QString text;
                for (PlainXml::Token t = PlainXml::Start; t != PlainXml::Done;) {
                    if (xml.depth() == 1 && plainItem(xml, text, *strings))
                        continue;
                    t = xml.next();
                    if (t == PlainXml::Start && xml.named("si")) {
                        plainRichText(xml, text);
                        strings->append(text);
                    }
                }
                stringsRead = true;
            } catch (const NotPlain&) {
                strings = std::make_shared<SharedTexts>();
            }
        }
        if (!stringsRead) {
            auto dev = m_zip->entry(m_stringsPart, kMaxStringsSize);
            QXmlStreamReader xml(dev.get());
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"si")
                    strings->append(readRichText(xml));
            }
            m_zip->check(xml, *dev, m_stringsPart);
        }
        strings->squeeze();
        m_strings = std::move(strings);
        if (!m_stylesPart.isEmpty()) {
            QHash<int, bool> custom;
            QVector<int> xfs;
            auto dev = m_zip->entry(m_stylesPart, kMaxPartSize);
            QXmlStreamReader xml(dev.get());
            bool inCellXfs = false;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"numFmt") {
                    custom.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                                  dateFormatCode(xml.attributes().value(QLatin1String("formatCode")).toString()));
                } else if (xml.isStartElement() && xml.name() == u"cellXfs") {
                    inCellXfs = true;
                } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
                    inCellXfs = false;
                } else if (inCellXfs && xml.isStartElement() && xml.name() == u"xf") {
                    xfs.append(xml.attributes().value(QLatin1String("numFmtId")).toInt());
                }
            }
            m_zip->check(xml, *dev, m_stylesPart);
            for (int id : std::as_const(xfs))
                m_dateStyles.append(custom.contains(id) ? custom.value(id) : builtInDateFormat(id));
        }
        m_sharedLoaded = true;
    }

    std::shared_ptr<Archive> m_zip;
    QStringList m_names, m_parts;
    std::optional<TableIndex> m_index;
    QString m_stringsPart, m_stylesPart;
    bool m_date1904 = false;
    bool m_sharedLoaded = false;
    std::shared_ptr<const SharedTexts> m_strings;
    QVector<bool> m_dateStyles;
};

std::unique_ptr<Source> openArchive(std::shared_ptr<Archive> zip, zip_error_t* error)
{
    if (!zip->zip) {
        const QString what = QString::fromLocal8Bit(zip_error_strerror(error));
        zip_error_fini(error);
        damaged(zip->path, what);
    }
    return std::make_unique<XlsxSource>(std::move(zip));
}

} // namespace

std::unique_ptr<Source> openXlsx(const QString& path)
{
    auto zip = std::make_shared<Archive>();
    zip->path = path;
    int code = 0;
    zip->zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    return openArchive(std::move(zip), &error);
}

std::unique_ptr<Source> openXlsxData(const QByteArray& bytes, const QString& name)
{
    auto zip = std::make_shared<Archive>();
    zip->path = name;
    zip->buffer = bytes;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src =
        zip_source_buffer_create(zip->buffer.constData(), zip_uint64_t(zip->buffer.size()), 0, &error);
    if (src) {
        zip->zip = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!zip->zip)
            zip_source_free(src);
    }
    return openArchive(std::move(zip), &error);
}

} // namespace extdb
