// The import service: reading, checking, renumbering and writing the rows.
#include "main/core/clslogs.h"
#include "main/core/filehelpers.h"
#include "main/core/mdlmisc.h"
#include "main/devices/devicerecord.h"
#include "main/mainwin/import.h"
#include "platform/core/app.h"
#include "platform/core/format.h"
#include "platform/core/like.h"
#include "platform/core/settings.h"
#include "platform/core/vbrt.h"
#include "platform/dao/transaction.h"
#include "rulegen/include/tessaly.h"
#include <QHash>
#include <QSet>

namespace ostrel {

const QString kDefaultImportMap = QStringLiteral(
    "设备编号;设备名称;Model,型号,规格;Manufacturer,生产厂家;ManuNo,出厂编号;ManuDate,出厂日期;购置年代,购进日期;"
    "启用日期;价值,资产原值;安装地点;设备状况,技术状况;附加信息,备注");

namespace {

constexpr int kRefused = 1000;
constexpr int kRenumberTries = 100000;
constexpr qint32 kLogError = 1;
constexpr qint32 kLogRenumbered = 2;

const QString kNumberColumn = QStringLiteral("设备编号");
const QString kStateColumn = QStringLiteral("设备状况");

[[noreturn]] void refuse(const QString& text) { throw vb::Error(kRefused, text); }

QString lineTag(qint64 line) { return QStringLiteral("\tLine:") + QString::number(line); }

// Text compared as the database compares it, ignoring letter case.
QString fold(const QString& s) { return vb::caseFold(s); }

// A target column under its Chinese name: its own, or the device editor's label for it.
QString chineseName(const QString& column)
{
    for (const QChar c : column)
        if (c.unicode() > 0x7f)
            return column;
    return devices::DeviceFieldLabel(column);
}

bool isIntegerType(int type) { return type == dao::dbByte || type == dao::dbInteger || type == dao::dbLong; }

// "2003.5.6" reads as 2003/5/6, "98" as 1998/1; a value that reads as a date becomes yyyy-mm-dd.
QString dateValue(QString value)
{
    value.replace(QLatin1Char('.'), QLatin1Char('/'));
    if (value.size() == 2)
        value += QStringLiteral("/1");
    bool ok = false;
    const QDateTime d = vb::toDate(value, &ok);
    return ok ? vb::Format(d, QStringLiteral("yyyy-mm-dd")) : value;
}

// What a date field is given for a sheet's text: the date that the text read by
// dateValue stands for, or that text when it is no date (the field then refuses it).
QVariant storedDate(const QString& value)
{
    const QString text = dateValue(value);
    bool ok = false;
    const QDateTime d = vb::toDate(text, &ok);
    return ok ? QVariant(d) : QVariant(text);
}

// Sets panel 1 back to "状态" when the import ends, however it ends.
struct StatusReset {
    const std::function<void(const QString&)>& status;
    ~StatusReset()
    {
        if (status)
            status(QStringLiteral("状态"));
    }
};

class Importer {
public:
    Importer(const ImportOptions& o, extdb::Table& source, clsLogs& log) : m_o(o), m_source(source), m_log(log) {}

    qint32 run()
    {
        m_states = CodeList(QStringLiteral("State"), false);
        m_target = RequireDatabase().OpenRecordset(QStringLiteral("select all * from [Dev_Info];"), dao::dbOpenDynaset);
        RecordsetCloser closer(m_target);
        const dao::Fields fields = m_target.Fields();
        for (int i = 0; i < fields.Count(); ++i)
            if (isIntegerType(fields.Item(i).Type()))
                m_integers << m_target.Fields(i);
        m_map = ParseImportMap(LoadImportMap());
        for (const ImportMapEntry& e : std::as_const(m_map))
            if (e.target.compare(QLatin1String("ManuNo"), Qt::CaseInsensitive) == 0 && m_manuColumn.isEmpty())
                m_manuColumn = e.sources.value(0, e.target);
        loadTaken();
        m_nextId = GetNewID(QStringLiteral("Dev_Info"), QStringLiteral("Dev_ID")).toLongLong();

        extdb::Row row;
        qint64 line = 0;
        while (m_source.next(row, line)) {
            try {
                addRow(row);
            } catch (const vb::Error& e) {
                // Every error of a row names it.
                throw vb::Error(e.number(), e.description() + lineTag(line), e.source());
            }
        }
        RaiseKeyMark(QStringLiteral("Dev_Info"), QStringLiteral("Dev_ID"), m_nextId - 1);
        return m_count;
    }

private:
    void loadTaken()
    {
        dao::Recordset rs = RequireDatabase().OpenRecordset(
            QStringLiteral("SELECT [设备编号], [ManuNo] FROM [Dev_Info];"), dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            m_numbers.insert(fold(rs.Fields(0).Value().toString()));
            const QVariant manu = rs.Fields(1).Value();
            if (!manu.isNull())
                m_manuNos.insert(fold(manu.toString()));
            rs.MoveNext();
        }
        rs.Close();
    }

    int column(const QString& name) const
    {
        const int i = m_source.columnIndex(name);
        if (i < 0)
            throw vb::Error(dao::err::ItemNotFound, name.isEmpty()
                                                        ? QStringLiteral("导入定义中没有出厂编号(ManuNo)一项。")
                                                        : QStringLiteral("源数据中没有列 '%1'。").arg(name));
        return i;
    }

    static QString text(const extdb::Row& row, int i) { return vb::Trim(row.value(i).toString()); }

    // What a row needs, looked up once, on the first row: the source columns and the
    // target fields, so that a name the source or the target lacks fails on that row.
    void resolve()
    {
        m_manuIndex = column(m_manuColumn);
        m_numberIndex = column(kNumberColumn);
        for (const ImportMapEntry& e : std::as_const(m_map)) {
            Target t{m_target.Fields(e.target), chineseName(e.target), {}, Target::Plain};
            for (const QString& source : e.sources)
                t.sources << column(source);
            if (e.target.compare(kNumberColumn, Qt::CaseInsensitive) == 0)
                t.kind = Target::Number;
            else if (t.field.Type() == dao::dbDate)
                t.kind = Target::Date;
            else if (e.target.compare(kStateColumn, Qt::CaseInsensitive) == 0)
                t.kind = Target::State;
            m_targets << t;
        }
        for (const QString& name : {QStringLiteral("设备大类"), QStringLiteral("设备属类"), QStringLiteral("设备组别")})
            m_classes << qMakePair(m_target.Fields(name), rule()->UsrFields()->Item(name));
        m_idField = m_target.Fields(QStringLiteral("Dev_ID"));
        m_numberField = m_target.Fields(kNumberColumn);
        m_userField = m_target.Fields(QStringLiteral("O_ID"));
        m_resolved = true;
    }

    void addRow(const extdb::Row& row)
    {
        if (!m_resolved)
            resolve();
        const QString manuNo = text(row, m_manuIndex);
        if (!manuNo.isEmpty() && m_manuNos.contains(fold(manuNo)))
            refuse(QStringLiteral("相同的出厂编号已经存在:") + manuNo);

        const QString read = text(row, m_numberIndex);
        if (read.isEmpty())
            refuse(QStringLiteral("设备编号为空。"));
        QString number = read;
        if (m_numbers.contains(fold(read))) {
            number = RenumberDevice(read, lastBandWidth(), [&](const QString& c) { return m_numbers.contains(fold(c)); });
            m_log.LogEvent(QStringLiteral("货品编码冲突!编码") + read + QStringLiteral("被自动改为") + number +
                               QStringLiteral("。"),
                           kLogRenumbered);
        }
        rule()->ExpCode(read);

        m_target.AddNew();
        m_idField.setValue(m_nextId);
        for (const auto& [field, item] : std::as_const(m_classes)) {
            const QString value = item->Value();
            if (!value.isEmpty())
                field.setValue(value);
        }
        for (const Target& t : std::as_const(m_targets)) {
            QString value;
            for (int source : t.sources)
                value += row.value(source).toString();
            value = vb::Trim(value);
            if (t.kind == Target::Number) {
                value = number;
            } else if (t.kind == Target::Date) {
                // Sheets repeat their dates: each text is read as a date once, and the
                // field takes the date itself rather than parsing its text per row.
                if (value.isEmpty())
                    continue;
                auto known = m_dates.constFind(value);
                if (known == m_dates.constEnd())
                    known = m_dates.insert(value, storedDate(value));
                SetFieldAs(t.field, *known, t.label);
                continue;
            } else if (t.kind == Target::State && m_states.size() == 2) {
                const int at = m_states[1].indexOf(value);
                if (at >= 0)
                    value = m_states[0].at(at);
            }
            if (!value.isEmpty())
                SetFieldAs(t.field, value, t.label);
        }
        // The row's number and the importing user, whatever the map holds.
        m_numberField.setValue(number);
        m_userField.setValue(m_o.userId);
        for (const dao::Field& f : std::as_const(m_integers))
            if (f.Value().isNull())
                f.setValue(0);
        m_target.Update();

        ++m_nextId;
        m_numbers.insert(fold(number));
        if (!manuNo.isEmpty())
            m_manuNos.insert(fold(manuNo));
        ++m_count;
        if (m_o.status)
            m_o.status(QStringLiteral("已经导入") + QString::number(m_count));
    }

    tessaly::ICodeClass* rule() const
    {
        if (!m_o.rule)
            throw vb::Error::runtime(vb::errObjectNotSet);
        return m_o.rule;
    }

    int lastBandWidth() const
    {
        const qint32 bands = rule()->Count();
        if (bands < 1)
            refuse(QStringLiteral("编码规则中没有区段，无法给重复的设备编号改号。"));
        return rule()->Band(bands)->Length();
    }

    const ImportOptions& m_o;
    extdb::Table& m_source;
    clsLogs& m_log;
    dao::Recordset m_target;
    CodeTable m_states;
    QVector<ImportMapEntry> m_map;
    QString m_manuColumn;

    struct Target {
        dao::Field field;
        QString label;
        QVector<int> sources;
        enum Kind { Plain, Number, Date, State } kind;
    };
    bool m_resolved = false;
    int m_manuIndex = -1, m_numberIndex = -1;
    QVector<Target> m_targets;
    QVector<QPair<dao::Field, com::ComPtr<tessaly::IList>>> m_classes;
    dao::Field m_idField, m_numberField, m_userField;
    QVector<dao::Field> m_integers;
    QHash<QString, QVariant> m_dates;
    QSet<QString> m_numbers, m_manuNos;   // folded, those added here included
    qint64 m_nextId = 1;
    qint32 m_count = 0;
};

} // namespace

QVector<ImportMapEntry> ParseImportMap(const QString& text)
{
    QVector<ImportMapEntry> out;
    for (const QString& entry : text.split(QLatin1Char(';'))) {
        QStringList names;
        for (const QString& n : entry.split(QLatin1Char(',')))
            if (!n.trimmed().isEmpty())
                names << n.trimmed();
        if (names.isEmpty())
            continue;
        ImportMapEntry e{names.takeFirst(), names};
        if (e.sources.isEmpty())
            e.sources << e.target;
        out << e;
    }
    return out;
}

QString LoadImportMap()
{
    const QString section = QStringLiteral("Settings"), key = QStringLiteral("ImportDef");
    QString map = plat::GetSetting(gAppName, section, key, QString());
    if (map.trimmed().isEmpty()) {
        map = kDefaultImportMap;
        plat::SaveSetting(gAppName, section, key, map);
    }
    return map;
}

QString RenumberDevice(const QString& number, int width, const std::function<bool(const QString&)>& taken)
{
    if (width < 1 || number.size() < width)
        refuse(QStringLiteral("设备编号%1比编码规则的末段短，无法自动改号。").arg(number));
    const QString head = number.left(number.size() - width);
    QString tail = number.mid(head.size());
    for (const QChar c : std::as_const(tail))
        if (c < u'0' || c > u'9')
            refuse(QStringLiteral("设备编号%1的末段不是数字，无法自动改号。").arg(number));
    for (int tries = 0; tries < kRenumberTries; ++tries) {
        int i = tail.size() - 1;
        while (i >= 0 && tail[i] == u'9')
            tail[i--] = u'0';
        if (i < 0)
            tail.prepend(u'1');
        else
            tail[i] = QChar(tail[i].unicode() + 1);
        if (!taken(head + tail))
            return head + tail;
    }
    refuse(QStringLiteral("设备编号%1之后的%2个编号都已存在，无法自动改号。").arg(number, QString::number(kRenumberTries)));
}

qint32 ImportDevices(const QString& path, const ImportOptions& options)
{
    StatusReset reset{options.status};
    clsLogs log;
    // Every failure is written to the log once it is open, then raised.
    const auto fail = [&](const vb::Error& error) {
        try {
            log.LogEvent(error.description(), kLogError);
        } catch (...) {
        }
        throw error;
    };
    std::unique_ptr<extdb::Source> source;
    std::optional<vb::Error> refusal;
    if (OpenExternalDatabase(path, source, &refusal).isEmpty()) {
        log.StartLogging(plat::appFile(QStringLiteral("导入日志.txt")), clsLogs::kLogReplace);
        fail(refusal.value_or(vb::Error(kRefused, QStringLiteral("系统无法识别指定文件格式!请转换文件格式或获取软件升级版."))));
    }

    dao::Transaction transaction;
    log.StartLogging(plat::appFile(QStringLiteral("导入日志.txt")), clsLogs::kLogReplace);
    try {
        std::unique_ptr<extdb::Table> table = source->openTable(QStringLiteral("sheet1"));
        const qint32 count = Importer(options, *table, log).run();
        transaction.commit();
        return count;
    } catch (const std::exception& e) {
        const auto* v = dynamic_cast<const vb::Error*>(&e);
        const vb::Error error = v ? *v : vb::Error(kRefused, QString::fromLocal8Bit(e.what()));
        try {
            transaction.rollback();
        } catch (...) {
        }
        fail(error);
    }
    return 0;
}

} // namespace ostrel
