#include "main/core/mdlmisc.h"
#include "main/core/schema.h"
#include "main/core/status.h"
#include "main/core/strings.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include <QComboBox>
#include <QThread>
#include <QTreeWidget>
#include <cmath>

namespace ostrel {

QString gAppName;
dao::Database gDatabase;
cindral::Hub* gMsgHub = nullptr;
cindral::Messenger* gMessenger = nullptr;

namespace {

constexpr int kLockedRetries = 5;

// A number held by a variant or written in a text, when it is one.
bool asNumber(const QVariant& v, double* out)
{
    if (v.isNull())
        return false;
    bool ok = false;
    double d = 0;
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool: case QMetaType::Short:
        d = v.toDouble(&ok);
        break;
    default:
        d = v.toString().trimmed().toDouble(&ok);
        break;
    }
    if (ok && out)
        *out = d;
    return ok;
}

// Variant equality as the program compares item data and codes: numbers by value, else text.
bool sameValue(const QVariant& a, const QVariant& b)
{
    double x = 0, y = 0;
    if (asNumber(a, &x) && asNumber(b, &y))
        return x == y;
    return a.toString() == b.toString();
}

bool isEmptyValue(const QVariant& v) { return v.isNull() || !v.isValid() || v.toString().isEmpty(); }

QString columnOrValue(const QString& column) { return column.isEmpty() ? QStringLiteral("Value") : column; }

} // namespace

dao::Database& RequireDatabase()
{
    if (gDatabase.isNothing())
        throw vb::Error::runtime(vb::errObjectNotSet);
    return gDatabase;
}

void CloseRecordset(dao::Recordset& rs)
{
    try {
        if (!rs.isNothing()) {
            if (rs.EditMode() != dao::dbEditNone)
                rs.CancelUpdate();
            rs.Close();
        }
    } catch (...) {
    }
}

void PostStatus(const QString& text)
{
    if (gMessenger)
        gMessenger->PostStatus(text, -1, 0);
}

void ReportError(const vb::Error& e)
{
    ui::MsgBox(e.description(), ui::vbExclamation);
    ui::DoEvents();
}

void ReportError(const std::exception& e)
{
    if (auto v = dynamic_cast<const vb::Error*>(&e))
        return ReportError(*v);
    ui::MsgBox(QString::fromLocal8Bit(e.what()), ui::vbExclamation);
    ui::DoEvents();
}

QString SqlText(const QString& value)
{
    QString s = value;
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString SqlNumber(const QVariant& value)
{
    double d = 0;
    if (!asNumber(value, &d) || !std::isfinite(d))
        throw vb::Error::runtime(vb::errTypeMismatch);
    if (d == std::floor(d) && std::fabs(d) < 9.007199254740992e15)
        return QString::number(qint64(d));
    return QString::number(d, 'g', 17);
}

QString SqlName(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char(']')) || name.contains(QLatin1Char('[')))
        throw vb::Error::runtime(vb::errInvalidCall);
    return QLatin1Char('[') + name + QLatin1Char(']');
}

void OpenMainDatabase()
{
    const QString path = plat::appFile(QStringLiteral("Ostrel.mdb"));
    gDatabase = dao::DBEngine::OpenDatabase(path, false, false, schema::connectString());
}

QVariant GetNewID(const QString& table, const QString& column)
{
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT TOP 1 * FROM ") + SqlName(table) + QStringLiteral(" ORDER BY ") + SqlName(column) +
            QStringLiteral(" DESC;"),
        dao::dbOpenSnapshot);
    qint64 next = 1;
    if (!rs.Eof()) {
        const QVariant v = rs.Fields(column).Value();
        double d = 0;
        if (!v.isNull()) {
            if (!asNumber(v, &d)) {
                CloseRecordset(rs);
                throw vb::Error::runtime(vb::errTypeMismatch);
            }
            next = qint64(std::floor(d)) + 1;
        }
    }
    CloseRecordset(rs);
    return QVariant(next > 0x7fffffffLL ? QVariant(next) : QVariant(int(next)));
}

void LoadComboList(QComboBox* combo, const QString& type, const QString& sql, bool addNone, bool selectFirst,
                   const QString& allowedCodes)
{
    dao::Recordset rs;
    bool progressOn = false;
    try {
        QStringList allowed;
        const bool filter = !allowedCodes.isEmpty();
        if (filter)
            allowed = allowedCodes.split(QLatin1Char(','));
        const QString stmt = !type.isEmpty() ? QStringLiteral("SELECT [Value],[No] FROM [SysInfo] WHERE [Type]=") +
                                                   SqlText(type) + QStringLiteral(" ORDER BY [No];")
                                             : sql;
        rs = RequireDatabase().OpenRecordset(stmt, dao::dbOpenSnapshot);
        int count = 0;
        if (!rs.Eof()) {
            rs.MoveLast();
            count = rs.AbsolutePosition() + 1;
            rs.MoveFirst();
        }
        const bool useData = rs.Fields().Count() > 1;
        combo->clear();
        if (addNone)
            combo->addItem(QStringLiteral("(无)"), QVariant(0));
        ShowProgress(true);
        progressOn = true;
        int pos = 0;
        while (!rs.Eof()) {
            try {
                const QVariant text = rs.Fields(0).Value();
                if (filter) {
                    const QVariant code = rs.Fields(1).Value();
                    double c = 0;
                    if (asNumber(code, &c)) {
                        for (const QString& a : allowed) {
                            double n = 0;
                            if (asNumber(a, &n) && qint32(n) == qint32(c)) {
                                combo->addItem(text.toString(), code);
                                break;
                            }
                        }
                    }
                } else if (useData) {
                    combo->addItem(text.toString(), rs.Fields(1).Value());
                } else {
                    combo->addItem(text.toString());
                }
            } catch (const vb::Error& e) {
                if (e.number() != dao::err::Locked)
                    throw;
            }
            ++pos;
            if (pos % 50 == 0) {
                SetProgress(pos, count);
                ui::DoEvents();
            }
            rs.MoveNext();
        }
        if (selectFirst && combo->count() > 0)
            combo->setCurrentIndex(0);
    } catch (const vb::Error& e) {
        if (e.number() != dao::err::Locked)
            ReportError(e);
    }
    if (progressOn)
        ShowProgress(false);
    CloseRecordset(rs);
}

void SelectComboItem(QComboBox* combo, const QVariant& value, const QString& text, bool afterBlank)
{
    const bool noValue = isEmptyValue(value);
    if (noValue && text.isEmpty())
        return;
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i) {
        if (!noValue) {
            if (sameValue(combo->itemData(i), value))
                found = i;
        } else {
            QString entry = combo->itemText(i);
            if (afterBlank) {
                const int blank = entry.indexOf(QLatin1Char(' '));
                if (blank >= 0)
                    entry = entry.mid(blank + 1).trimmed();
            }
            if (entry == text)
                found = i;
        }
    }
    if (found < 0) {
        ReportError(vb::Error(1000, QStringLiteral("列表中无指定跟踪值。")));
        return;
    }
    combo->setCurrentIndex(found);
}

QString GetCodeValue(const QString& type, const QVariant& no)
{
    if (isEmptyValue(no))
        return QString();
    dao::Recordset rs;
    QString result;
    try {
        rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 [Value] FROM [SysInfo] WHERE [Type]=") +
                                                 SqlText(type) + QStringLiteral(" AND [No]=") + SqlNumber(no) +
                                                 QStringLiteral(";"),
                                             dao::dbOpenSnapshot);
        if (!rs.Eof())
            result = rs.Fields(0).Value().toString();
    } catch (const vb::Error& e) {
        ReportError(e);
    }
    CloseRecordset(rs);
    return result;
}

void SetupColumns(QTreeWidget* list, const QString& spec)
{
    list->clear();
    list->setColumnCount(0);
    QStringList captions;
    QList<bool> right;
    for (const QString& part : spec.split(QLatin1Char(';'))) {
        const QStringList fields = part.split(QLatin1Char(','));
        captions.append(fields.value(0));
        right.append(fields.size() > 1);
    }
    list->setColumnCount(captions.size());
    list->setHeaderLabels(captions);
    for (int i = 0; i < right.size(); ++i)
        list->headerItem()->setTextAlignment(i, (right[i] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

QString ReadSysInfo(const QString& type, const QString& defaultText, dao::Database* database, const QString& column)
{
    const QString col = columnOrValue(column);
    for (int attempt = 0;; ++attempt) {
        dao::Recordset rs;
        try {
            dao::Database& db = database && !database->isNothing() ? *database : RequireDatabase();
            rs = db.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE Type=") + SqlText(type) +
                                      QStringLiteral(" ORDER BY [ID];"),
                                  dao::dbOpenSnapshot);
            QString result = defaultText;
            if (!rs.Eof())
                result = rs.Fields(col).Value().toString();
            CloseRecordset(rs);
            return result;
        } catch (const vb::Error& e) {
            CloseRecordset(rs);
            if (e.number() == dao::err::Locked) {
                if (attempt + 1 < kLockedRetries) {
                    QThread::msleep(50u * unsigned(attempt + 1));
                    continue;
                }
                return defaultText;
            }
            ReportError(e);
            return defaultText;
        }
    }
}

void WriteSysInfo(const QString& type, const QString& value, const QString& column)
{
    if (gDatabase.isNothing() || value.isEmpty())
        return;
    const QString col = columnOrValue(column);
    dao::Recordset rs;
    try {
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE Type=") + SqlText(type) +
                                         QStringLiteral(" ORDER BY [ID];"),
                                     dao::dbOpenDynaset);
        if (rs.Eof()) {
            const QVariant id = GetNewID(QStringLiteral("SysInfo"), QStringLiteral("ID"));
            rs.AddNew();
            rs.Fields(QStringLiteral("ID")).setValue(id);
            rs.Fields(QStringLiteral("Type")).setValue(type);
        } else {
            rs.Edit();
        }
        rs.Fields(col).setValue(value);
        rs.Update();
    } catch (const vb::Error& e) {
        CloseRecordset(rs);
        if (e.number() == vb::errTypeMismatch) {
            ui::MsgBox(QStringLiteral("对不起!您输入的字符不合法!"), ui::vbInformation);
            ui::DoEvents();
        } else {
            ReportError(e);
        }
    }
    CloseRecordset(rs);
}

void LoadCodeList(const QString& type, CodeTable& table, bool indexed)
{
    constexpr qint64 kMaxIndexedCode = 1000000;
    dao::Recordset rs;
    try {
        rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT [No], [Value] FROM [SysInfo] WHERE [Type]=") +
                                                 SqlText(type) + QStringLiteral(" ORDER BY [No];"),
                                             dao::dbOpenSnapshot);
        QList<QPair<QVariant, QString>> rows;
        while (!rs.Eof()) {
            rows.append({rs.Fields(0).Value(), rs.Fields(1).Value().toString()});
            rs.MoveNext();
        }
        if (!rows.isEmpty()) {
            if (!indexed) {
                CodeTable t(2);
                for (const auto& r : rows) {
                    t[0].append(r.first.toString());
                    t[1].append(r.second);
                }
                table = t;
            } else {
                double highest = 0;
                if (!asNumber(rows.last().first, &highest) || highest < 0 || highest > kMaxIndexedCode)
                    throw vb::Error::runtime(vb::errSubscript);
                CodeTable t(1);
                t[0] = QStringList(int(highest) + 1, QString());
                for (const auto& r : rows) {
                    double c = 0;
                    if (asNumber(r.first, &c) && c >= 0 && c <= highest)
                        t[0][int(c)] = r.second;
                }
                table = t;
            }
        }
    } catch (const vb::Error& e) {
        ReportError(e);
    }
    CloseRecordset(rs);
}

QString LookupCode(const CodeTable& table, const QVariant& no, bool indexed)
{
    if (no.isNull() || !no.isValid())
        return QString();
    if (!indexed) {
        if (table.size() < 2)
            return QString();
        for (int i = 0; i < table[0].size(); ++i)
            if (sameValue(table[0][i], no))
                return table[1].value(i);
        return QString();
    }
    double d = 0;
    if (!asNumber(no, &d))
        throw vb::Error::runtime(vb::errTypeMismatch);
    const qint64 code = qRound64(d);
    if (table.isEmpty() || code < 0 || code >= table[0].size())
        throw vb::Error::runtime(vb::errSubscript);
    return table[0][int(code)];
}

QVariant DeleteDevice(qint32 devId, const QString& devNo)
{
    if (ui::MsgBox(Str(1082, devNo), ui::vbYesNo | ui::vbQuestion) != ui::vbYes)
        return QVariant();
    ui::beginBusy();
    bool inTrans = false;
    try {
        dao::Database& db = RequireDatabase();
        dao::DBEngine::BeginTrans();
        inTrans = true;
        dao::TableDefs defs = db.TableDefs();
        for (int i = 0; i < defs.Count(); ++i) {
            const dao::TableDef td = defs.Item(i);
            const QString name = td.Name();
            PostStatus(QStringLiteral("搜索数据表:") + name + QStringLiteral(".."));
            bool hasDevId = false;
            const dao::Fields fields = td.Fields();
            for (int f = 0; f < fields.Count() && !hasDevId; ++f)
                hasDevId = fields.Item(f).Name().compare(QLatin1String("Dev_ID"), Qt::CaseInsensitive) == 0;
            if (hasDevId)
                db.Execute(QStringLiteral("DELETE * FROM ") + SqlName(name) + QStringLiteral(" WHERE [Dev_ID]=") +
                           QString::number(devId) + QStringLiteral(";"));
        }
        dao::DBEngine::CommitTrans();
        ui::endBusy();
        return QVariant(1);
    } catch (const vb::Error& e) {
        if (inTrans) {
            try {
                dao::DBEngine::Rollback();
            } catch (...) {
            }
        }
        PostStatus(QString());
        ui::endBusy();
        ReportError(e);
        return QVariant();
    }
}

QVariant DeleteDynaRecord(qint32 devId, qint32 id, const QString& table)
{
    if (ui::MsgBox(QStringLiteral("确实要删除指定的信息吗？"), ui::vbYesNo | ui::vbQuestion) != ui::vbYes)
        return QVariant();
    try {
        for (QChar c : table)
            if (!(c.isLetterOrNumber() || c == QLatin1Char('_')))
                throw vb::Error::runtime(vb::errInvalidCall);
        if (table.isEmpty())
            throw vb::Error::runtime(vb::errInvalidCall);
        RequireDatabase().Execute(QStringLiteral("Delete from ") + table + QStringLiteral(" where Dev_ID=") +
                                  QString::number(devId) + QStringLiteral(" AND ") + QStringLiteral("ID=") +
                                  QString::number(id));
        return QVariant(1);
    } catch (const vb::Error& e) {
        ReportError(e);
        return QVariant();
    }
}

} // namespace ostrel
