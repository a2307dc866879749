#include "platform/extdb/extdb.h"
#include "platform/extdb/sharedtexts.h"
#include "platform/extdb/sheet.h"
#include "platform/core/vberror.h"
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace extdb {

int Table::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Row::value(int column) const
{
    const auto at = std::lower_bound(m_cells.cbegin(), m_cells.cend(), column,
                                     [](const Cell& c, int wanted) { return c.column < wanted; });
    return at != m_cells.cend() && at->column == column ? value(*at) : QVariant();
}

QVariant Row::value(const Cell& cell) const
{
    return cell.shared < 0 ? cell.value : QVariant(m_shared->text(cell.shared));
}

bool Row::blank(const Cell& cell) const
{
    return cell.shared < 0 ? isBlank(cell.value) : m_shared->blank(cell.shared);
}

void Row::append(int column, QVariant value)
{
    Q_ASSERT(m_cells.isEmpty() || column > m_cells.constLast().column);
    if (!value.isNull())
        m_cells.append({column, -1, std::move(value)});
}

void Row::appendShared(int column, qint32 index)
{
    Q_ASSERT(m_shared && (m_cells.isEmpty() || column > m_cells.constLast().column));
    m_cells.append({column, index, QVariant()});
}

void Row::append(int column, const Cell& cell)
{
    Q_ASSERT(m_cells.isEmpty() || column > m_cells.constLast().column);
    m_cells.append({column, cell.shared, cell.value});
}

bool Table::next(Row& cells, qint64& number)
{
    while (fetch(cells, number)) {
        for (const Row::Cell& c : cells.cells())
            if (!cells.blank(c))
                return true;
    }
    return false;
}

namespace {
// What the rows read while finding the columns may hold before they are read again instead.
constexpr qsizetype kBufferedBytes = 64 << 20;

// A row kept: its number, its cells' count, each cell's column and either its shared
// text (index * 2 + 1) or its text's length * 2 and the text.
void keepRow(QByteArray& to, qint64 number, const Row& row)
{
    putNumber(to, quint64(number));
    putNumber(to, quint64(row.cells().size()));
    for (const Row::Cell& c : row.cells()) {
        putNumber(to, quint64(c.column));
        if (c.shared >= 0) {
            putNumber(to, quint64(c.shared) << 1 | 1);
            continue;
        }
        const QString text = c.value.toString();
        putNumber(to, quint64(text.size()) << 1);
        to.append(reinterpret_cast<const char*>(text.constData()), 2 * text.size());
    }
}
} // namespace

void SheetTable::readHeading()
{
    m_buffered.clear();
    Row cells, heading;
    qint64 row = 0;
    int first = -1, last = -1;
    bool keep = true;
    while (fetchRaw(row, cells)) {
        int rowFirst = -1, rowLast = -1;
        for (const Row::Cell& c : cells.cells()) {
            if (cells.blank(c))
                continue;
            if (rowFirst < 0)
                rowFirst = c.column;
            rowLast = c.column;
        }
        if (rowFirst < 0)
            continue;
        if (first < 0) {
            m_headingRow = row;
            heading = cells;
        } else if (keep) {
            keepRow(m_buffered, row, cells);
            if (!m_bufferedTexts)
                m_bufferedTexts = cells.shared();
            keep = m_buffered.size() <= kBufferedBytes;
            if (!keep)
                m_buffered = QByteArray();
        }
    first = first < 0 ? rowFirst : qMin(first, rowFirst);
        last = qMax(last, rowLast);
    }
    if (first < 0)
        return;
    m_first = first;
    QHash<int, QString> names;
    for (const Row::Cell& c : heading.cells())
        names.insert(c.column, heading.value(c).toString().trimmed());
    QSet<QString> taken;          // folded, as columnIndex compares
    QHash<QString, int> suffix;   // the number a repeated name tries next
    for (int i = first; i <= last; ++i) {
        QString name = names.value(i);
        if (name.isEmpty())
            name = QStringLiteral("F") + QString::number(i - first + 1);
        const QString folded = name.toCaseFolded();
        if (taken.contains(folded)) {
            int& n = suffix[folded];
            do
                ++n;
            while (taken.contains(folded + QString::number(n)));
            name += QString::number(n);
        }
        taken.insert(name.toCaseFolded());
        m_columns.append(name);
    }
    m_fromBuffer = keep;
    if (!keep) {
        rewind();
        while (fetchRaw(row, cells) && row < m_headingRow) {
        }
    }
}

bool SheetTable::nextRaw(qint64& sheetRow, Row& cells)
{
    if (!m_fromBuffer)
        return fetchRaw(sheetRow, cells);
    if (m_nextBuffered >= m_buffered.size())
        return false;
    const char* p = m_buffered.constData() + m_nextBuffered;
    sheetRow = qint64(takeNumber(p));
    cells.clear();
    cells.share(m_bufferedTexts);
    for (quint64 n = takeNumber(p); n > 0; --n) {
        const int column = int(takeNumber(p));
        const quint64 v = takeNumber(p);
        if (v & 1) {
            cells.appendShared(column, qint32(v >> 1));
            continue;
        }
        QString text(qsizetype(v >> 1), Qt::Uninitialized);
        memcpy(text.data(), p, size_t(2 * text.size()));
        p += 2 * text.size();
        cells.append(column, text);
    }
    m_nextBuffered = p - m_buffered.constData();
    return true;
}

bool SheetTable::fetch(Row& cells, qint64& number)
{
    if (m_columns.isEmpty())
        return false;
    qint64 row = 0;
    if (!nextRaw(row, m_raw))
        return false;
    cells.clear();
    cells.share(m_raw.shared());
    for (const Row::Cell& c : m_raw.cells())
        if (c.column >= m_first && c.column - m_first < m_columns.size())
            cells.append(c.column - m_first, c);
    number = row - m_headingRow;
    return true;
}

Format sniff(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Format::Unknown;
    const QByteArray head = f.read(32);
    if (head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")))
        return Format::Xls;
    if (head.startsWith(QByteArray("PK\x03\x04", 4)))
        return Format::Xlsx;
    if (head.size() >= 20 && (head.mid(4, 16) == QByteArray("Standard Jet DB\0", 16) ||
                              head.mid(4, 16) == QByteArray("Standard ACE DB\0", 16)))
        return Format::Mdb;
    return Format::Unknown;
}

std::unique_ptr<Source> open(const QString& path)
{
    switch (sniff(path)) {
    case Format::Xls: return openXls(path);
    case Format::Xlsx: return openXlsx(path);
    case Format::Mdb: return openMdb(path);
    case Format::Unknown: break;
    }
    return nullptr;
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == std::floor(value)) {
        if (value == 0)
            return QStringLiteral("0");
        if (std::fabs(value) < 9007199254740992.0)   // 2^53: held exactly as an integer
            return QString::number(qint64(value));
        return QString::number(value, 'f', 0);
    }
    QString s = QString::number(value, 'g', 15);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    if (e < 0)
        return s;
    // Past 1E15 a fraction has few digits: all of them.
    if (std::fabs(value) >= 1)
        return QString::number(value, 'f', QLocale::FloatingPointShortest);
    // A small one: its 15 digits written out after the zeros its exponent puts before them.
    const bool negative = value < 0;
    QString digits = s.left(e).remove(QLatin1Char('.'));
    if (negative)
        digits.remove(0, 1);
    return QLatin1String(negative ? "-0." : "0.") + QString(-s.mid(e + 1).toInt() - 1, QLatin1Char('0')) + digits;
}

QString serialDateText(double serial, bool date1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466)   // to 9999-12-31, checked below
        return QString();
    qint64 seconds = qint64(std::llround(serial * 86400.0));
    QDate base(1904, 1, 1);
    if (!date1904) {
        // Day 60 is the 29th of February 1900 that never was (read as the 28th); days
        // 1 to 59 count from the 31st of December 1899; a bare time is on day 0.
        base = QDate(1899, 12, 30);
        if (serial >= 1 && serial < 60)
            seconds += 86400;
    }
    // Days and the time of day apart: a serial names a wall-clock time, in no time zone.
    return dayTimeText(base.addDays(seconds / 86400), int(seconds % 86400));
}

QString dayTimeText(const QDate& day, int seconds)
{
    if (day.year() < 1 || day.year() > 9999)
        return QString();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", day.year(), day.month(), day.day(),
                  seconds / 3600, seconds / 60 % 60, seconds % 60);
    return QString::fromLatin1(text);
}

bool isBlank(const QVariant& cell)
{
    if (cell.isNull() || !cell.isValid())
        return true;
    return cell.toString().trimmed().isEmpty();
}

TableIndex::TableIndex(const QStringList& names)
{
    m_positions.reserve(names.size());
    for (int i = int(names.size()) - 1; i >= 0; --i)
        m_positions.insert(names[i].toCaseFolded(), i);
}

int TableIndex::find(const QString& name) const
{
    const auto at = m_positions.constFind(name.toCaseFolded());
    if (at == m_positions.cend())
        throw vb::Error(kErrNoSuchTable, QStringLiteral("找不到输入表或查询 '%1'。").arg(name), QStringLiteral("DAO"));
    return *at;
}

void damaged(const QString& path, const QString& what)
{
    throw vb::Error(kErrDamaged, QStringLiteral("文件已损坏或格式不对(%1): %2").arg(QFileInfo(path).fileName(), what),
                    QStringLiteral("DAO"));
}

bool builtInDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

// y m d h s outside quotes, escapes and [colour] or [$-804] brackets ([h] [mm] [ss] count as
// time); the first section decides.
bool dateFormatCode(const QString& code)
{
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i).toLower();
        if (c == u'"') {
            i = code.indexOf(QLatin1Char('"'), i + 1);
            if (i < 0)
                return false;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const int close = code.indexOf(QLatin1Char(']'), i);
            if (close < 0)
                return false;
            const QString inside = code.mid(i + 1, close - i - 1).toLower();
            if (!inside.isEmpty() && (inside.count(inside.at(0)) == inside.size()) &&
                (inside.at(0) == u'h' || inside.at(0) == u'm' || inside.at(0) == u's'))
                return true;
            i = close;
        } else if (c == u'y' || c == u'm' || c == u'd' || c == u'h' || c == u's') {
            return true;
        } else if (c == u';') {
            return false;
        }
    }
    return false;
}

} // namespace extdb
