// The catalogue: fields, table definitions and what the layer keeps of them.
#include "platform/dao/internal.h"
#include "platform/core/format.h"

namespace dao {

using namespace detail;

std::shared_ptr<TableInfo> DatabaseData::table(const QString& name)
{
    check();
    QString key = foldKey(name);
    auto it = tables.constFind(key);
    if (it != tables.constEnd()) return *it;

    // The columns as SQLite has them.
    QString real;
    {
        Stmt st(readPrepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE")));
        QByteArray u = name.toUtf8();
        sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
        if (!stepRow(st.s)) return nullptr;
        real = colText(st.s, 0);
    }
    auto info = std::make_shared<TableInfo>();
    info->name = real;
    {
        Stmt st(readPrepare(QStringLiteral("PRAGMA table_info(%1)").arg(jetsql::quoteName(real))));
        while (stepRow(st.s)) {
            FieldDef f;
            f.name = colText(st.s, 1);
            QString decl = colText(st.s, 2);
            f.type = typeFromDeclared(decl);
            if (f.type == 0) f.type = dbText;
            f.size = defaultSize(f.type);
            f.required = sqlite3_column_int(st.s, 3) != 0;
            f.allowZeroLength = true;
            f.ordinal = info->fields.size();
            f.table = real;
            info->fields << f;
        }
    }
    // What the layer keeps of the DAO definitions.
    if (hasTable(QStringLiteral("_dao_fields"))) {
        Stmt t(readPrepare(QStringLiteral("SELECT attributes, vrule, vtext FROM _dao_tables WHERE name=?1")));
        QByteArray u = real.toUtf8();
        sqlite3_bind_text(t.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
        if (stepRow(t.s)) {
            info->inCatalogue = true;
            info->attributes = sqlite3_column_int(t.s, 0);
            info->validationRule = colText(t.s, 1);
            info->validationText = colText(t.s, 2);
        }
        Stmt f(readPrepare(QStringLiteral("SELECT name, type, size, attributes, required, allowzero, vrule, vtext, "
                                      "defval FROM _dao_fields WHERE tbl=?1")));
        sqlite3_bind_text(f.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
        while (stepRow(f.s)) {
            int i = info->find(colText(f.s, 0));
            if (i < 0) continue;
            FieldDef& d = info->fields[i];
            d.type = sqlite3_column_int(f.s, 1);
            d.size = sqlite3_column_int(f.s, 2);
            d.attributes = sqlite3_column_int(f.s, 3);
            d.required = sqlite3_column_int(f.s, 4) != 0;
            d.allowZeroLength = sqlite3_column_int(f.s, 5) != 0;
            d.validationRule = colText(f.s, 6);
            d.validationText = colText(f.s, 7);
            if (sqlite3_column_type(f.s, 8) != SQLITE_NULL)
                d.defaultValue = colText(f.s, 8);
        }
    }
    tables.insert(key, info);
    return info;
}

// ---- Field ----

Field::Field() : d(std::make_shared<FieldData>()) {}

namespace {

void checkDefinition(const std::shared_ptr<FieldData>& d)
{
    if (!d) raiseNothing();
    if (d->rs)
        raise(err::InvalidOperation, QStringLiteral("无效的操作: 记录集的字段属性只读。"));
}

// Writes a changed property of a field of a table that already exists.
void storeFieldProperty(const std::shared_ptr<FieldData>& d, const char* column, const QVariant& value)
{
    if (!d->appended) return;
    auto td = d->owner.lock();
    if (!td || !td->appended) return;
    td->check();
    td->db->ensureCatalogue();
    // make sure the field has its row
    sqlite3_stmt* ins = td->db->cached(QStringLiteral(
        "INSERT OR IGNORE INTO _dao_fields (tbl,pos,name,type,size,attributes,required,allowzero) "
        "VALUES (?1,?2,?3,?4,?5,?6,?7,?8)"));
    QByteArray t = td->info.name.toUtf8(), n = d->def.name.toUtf8();
    sqlite3_bind_text(ins, 1, t.constData(), t.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(ins, 2, d->def.ordinal);
    sqlite3_bind_text(ins, 3, n.constData(), n.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(ins, 4, d->def.type);
    sqlite3_bind_int(ins, 5, d->def.size);
    sqlite3_bind_int(ins, 6, d->def.attributes);
    sqlite3_bind_int(ins, 7, d->def.required);
    sqlite3_bind_int(ins, 8, d->def.allowZeroLength);
    int rc = sqlite3_step(ins);
    sqlite3_reset(ins);
    if (rc != SQLITE_DONE) raiseSqlite(td->db->db, rc);
    sqlite3_stmt* st = td->db->prepare(
        QStringLiteral("UPDATE _dao_fields SET %1=?1 WHERE tbl=?2 AND name=?3").arg(QLatin1String(column)));
    detail::Stmt guard(st);
    bindValue(st, 1, 0, value);
    sqlite3_bind_text(st, 2, t.constData(), t.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, n.constData(), n.size(), SQLITE_TRANSIENT);
    rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) raiseSqlite(td->db->db, rc);
    td->db->invalidate();
}

void refuseOnExisting(const std::shared_ptr<FieldData>& d, const char* what)
{
    if (d->appended)
        raise(err::InvalidOperation,
              QStringLiteral("无效的操作: 已存在的字段 '%1' 不能更改 %2。").arg(d->def.name, QLatin1String(what)));
}

} // namespace

QString Field::Name() const { if (!d) raiseNothing(); return d->def.name; }
void Field::setName(const QString& name) const { checkDefinition(d); refuseOnExisting(d, "Name"); d->def.name = name; }
int Field::Type() const
{
    if (!d) raiseNothing();
    if (d->def.type == 0 && d->rs) {
        try {
            QVariant v = d->rs->hasCurrent() ? d->rs->value(d->col) : QVariant();
            if (v.isValid()) return typeOfValue(v);
        } catch (const vb::Error&) {
        }
        return dbText;
    }
    return d->def.type;
}
void Field::setType(int type) const
{
    checkDefinition(d);
    refuseOnExisting(d, "Type");
    if (declaredType(type).isEmpty())
        raise(err::NotSupported, QStringLiteral("无效的字段数据类型 %1。").arg(type));
    d->def.type = type;
}
int Field::Size() const
{
    if (!d) raiseNothing();
    if (d->def.size >= 0) return d->def.size;
    return defaultSize(d->def.type);
}
void Field::setSize(int size) const
{
    checkDefinition(d);
    refuseOnExisting(d, "Size");
    if (size < 0 || ((d->def.type == dbText || d->def.type == dbChar) && size > 255))
        raise(err::NotSupported, QStringLiteral("字段 '%1' 的大小 %2 无效。").arg(d->def.name, QString::number(size)));
    d->def.size = size;
}
int Field::Attributes() const
{
    if (!d) raiseNothing();
    int a = d->def.attributes;
    if (!(a & (dbFixedField | dbVariableField)))
        a |= (d->def.type == dbText || d->def.type == dbBinary) ? dbVariableField : dbFixedField;
    if (!d->rs || (d->rs->updatable && d->rs->baseIndex.value(d->col, -1) >= 0)) a |= dbUpdatableField;
    return a;
}
void Field::setAttributes(int attributes) const
{
    checkDefinition(d);
    refuseOnExisting(d, "Attributes");
    d->def.attributes = attributes & ~dbUpdatableField;
}
bool Field::Required() const { if (!d) raiseNothing(); return d->def.required; }
void Field::setRequired(bool required) const
{
    checkDefinition(d);
    d->def.required = required;
    storeFieldProperty(d, "required", int(required));
}
bool Field::AllowZeroLength() const { if (!d) raiseNothing(); return d->def.allowZeroLength; }
void Field::setAllowZeroLength(bool allow) const
{
    checkDefinition(d);
    d->def.allowZeroLength = allow;
    storeFieldProperty(d, "allowzero", int(allow));
}
QString Field::ValidationRule() const { if (!d) raiseNothing(); return d->def.validationRule; }
void Field::setValidationRule(const QString& rule) const
{
    checkDefinition(d);
    d->def.validationRule = rule;
    storeFieldProperty(d, "vrule", rule);
}
QString Field::ValidationText() const { if (!d) raiseNothing(); return d->def.validationText; }
void Field::setValidationText(const QString& text) const
{
    checkDefinition(d);
    d->def.validationText = text;
    storeFieldProperty(d, "vtext", text);
}
QVariant Field::DefaultValue() const { if (!d) raiseNothing(); return d->def.defaultValue; }
void Field::setDefaultValue(const QVariant& value) const
{
    checkDefinition(d);
    d->def.defaultValue = value.isValid() ? QVariant(vb::CStr(value)) : QVariant();
    storeFieldProperty(d, "defval", d->def.defaultValue);
}
int Field::OrdinalPosition() const { if (!d) raiseNothing(); return d->def.ordinal < 0 ? 0 : d->def.ordinal; }
void Field::setOrdinalPosition(int position) const
{
    checkDefinition(d);
    refuseOnExisting(d, "OrdinalPosition");
    d->def.ordinal = position;
}
QString Field::SourceTable() const { if (!d) raiseNothing(); return d->def.table; }

// ---- Fields ----

Fields::Fields() = default;

int Fields::Count() const
{
    if (rs) { rs->check(); return rs->count(); }
    if (td) return td->fields.size();
    raiseNothing();
}

Field Fields::Item(int index) const
{
    if (rs) { rs->check(); return rs->field(index); }
    if (!td) raiseNothing();
    if (index < 0 || index >= td->fields.size())
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(index));
    return td->fields[index];
}

Field Fields::Item(const QString& name) const
{
    if (rs) { rs->check(); return rs->field(name); }
    if (!td) raiseNothing();
    QString n = stripBrackets(name);
    for (const Field& f : td->fields)
        if (f.d->def.name.compare(n, Qt::CaseInsensitive) == 0 || foldKey(f.d->def.name) == foldKey(n)) return f;
    raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
}

namespace {

QString columnSql(const FieldDef& f, bool* autoKeyUsed)
{
    QString decl = declaredType(f.type);
    if (decl.isEmpty()) raise(err::NotSupported, QStringLiteral("字段 '%1' 的数据类型 %2 无效。").arg(f.name, QString::number(f.type)));
    QString sql = jetsql::quoteName(f.name) + u' ';
    if ((f.attributes & dbAutoIncrField) && f.type == dbLong && !*autoKeyUsed) {
        *autoKeyUsed = true;
        return sql + QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    sql += decl;
    if (f.required) sql += QStringLiteral(" NOT NULL");
    return sql;
}

void insertFieldRow(DatabaseData* db, const QString& table, const FieldDef& f)
{
    sqlite3_stmt* st = db->cached(QStringLiteral(
        "INSERT OR REPLACE INTO _dao_fields (tbl,pos,name,type,size,attributes,required,allowzero,vrule,vtext,defval) "
        "VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11)"));
    QByteArray t = table.toUtf8(), n = f.name.toUtf8(), r = f.validationRule.toUtf8(), x = f.validationText.toUtf8();
    sqlite3_bind_text(st, 1, t.constData(), t.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 2, f.ordinal);
    sqlite3_bind_text(st, 3, n.constData(), n.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, f.type);
    sqlite3_bind_int(st, 5, f.size >= 0 ? f.size : defaultSize(f.type));
    sqlite3_bind_int(st, 6, f.attributes);
    sqlite3_bind_int(st, 7, f.required);
    sqlite3_bind_int(st, 8, f.allowZeroLength);
    sqlite3_bind_text(st, 9, r.constData(), r.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 10, x.constData(), x.size(), SQLITE_TRANSIENT);
    bindValue(st, 11, 0, f.defaultValue);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
}

void checkNewField(const TableDefData* td, const std::shared_ptr<FieldData>& fd)
{
    if (!fd) raiseNothing();
    const FieldDef& f = fd->def;
    if (fd->rs) raise(err::InvalidOperation, QStringLiteral("无效的操作: 不能追加记录集的字段。"));
    if (f.name.trimmed().isEmpty()) raise(err::NotSupported, QStringLiteral("字段名称不能为空。"));
    if (f.name.contains(u']') || f.name.contains(u'['))
        raise(err::NotSupported, QStringLiteral("'%1' 不是有效的字段名称。").arg(f.name));
    if (f.type == 0 || declaredType(f.type).isEmpty())
        raise(err::NotSupported, QStringLiteral("字段 '%1' 的数据类型无效。").arg(f.name));
    for (const QString& g : td->fieldNames())
        if (g.compare(f.name, Qt::CaseInsensitive) == 0 || foldKey(g) == foldKey(f.name))
            raise(err::FieldExists, QStringLiteral("字段 '%1' 已经定义过了。").arg(f.name));
}

} // namespace

void Fields::Append(const Field& field)
{
    if (rs) raise(err::InvalidOperation, QStringLiteral("无效的操作: 记录集的字段集合不能追加。"));
    if (!td) raiseNothing();
    td->check();
    checkNewField(td.get(), field.d);
    if (field.d->appended || !field.d->owner.expired())
        raise(err::InvalidOperation, QStringLiteral("不能追加: 字段 '%1' 已属于一个表。").arg(field.d->def.name));
    if (field.d->def.ordinal < 0) field.d->def.ordinal = td->fields.size();
    if (td->appended) {
        FieldDef f = field.d->def;
        if (f.attributes & dbAutoIncrField)
            raise(err::NotSupported, QStringLiteral("不能给已存在的表追加自动编号字段。"));
        DatabaseData* db = td->db.get();
        db->ensureCatalogue();
        atomically(db, [&] {
            bool dummy = true;
            QString col = columnSql(f, &dummy);
            if (f.required) col.chop(9);   // SQLite cannot add a NOT NULL column without a default
            db->exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(jetsql::quoteName(td->info.name), col));
            insertFieldRow(db, td->info.name, f);
        });
        db->invalidate();
        field.d->appended = true;
    }
    field.d->owner = td;
    td->fields << field;
}

void Fields::Delete(const QString& name)
{
    if (rs) raise(err::InvalidOperation, QStringLiteral("无效的操作: 记录集的字段集合不能删除。"));
    if (!td) raiseNothing();
    Field f = Item(name);
    if (td->appended) raise(err::NotSupported, QStringLiteral("数据库引擎不支持删除已存在表的字段。"));
    f.d->owner.reset();
    for (int i = 0; i < td->fields.size(); ++i)
        if (td->fields[i].d == f.d) { td->fields.remove(i); break; }
}

void Fields::Refresh() {}

// ---- TableDef ----

TableDef::TableDef() : d(std::make_shared<TableDefData>()) {}

QString TableDef::Name() const { if (!d) raiseNothing(); return d->info.name; }
void TableDef::setName(const QString& name)
{
    if (!d) raiseNothing();
    if (d->appended) raise(err::NotSupported, QStringLiteral("数据库引擎不支持给已存在的表改名。"));
    d->info.name = name;
}
int TableDef::Attributes() const { if (!d) raiseNothing(); return d->info.attributes; }
void TableDef::setAttributes(int attributes)
{
    if (!d) raiseNothing();
    if (d->appended) raise(err::InvalidOperation, QStringLiteral("无效的操作: 已存在的表不能更改 Attributes。"));
    d->info.attributes = attributes;
}
QString TableDef::ValidationRule() const { if (!d) raiseNothing(); return d->info.validationRule; }
QString TableDef::ValidationText() const { if (!d) raiseNothing(); return d->info.validationText; }

namespace {
void storeTableProperty(TableDefData* td, const char* column, const QString& value)
{
    if (!td->appended) return;
    td->check();
    DatabaseData* db = td->db.get();
    db->ensureCatalogue();
    atomically(db, [&] {
        Stmt ins(db->prepare(QStringLiteral("INSERT OR IGNORE INTO _dao_tables (name, attributes) VALUES (?1, 0)")));
        QByteArray n = td->info.name.toUtf8(), v = value.toUtf8();
        sqlite3_bind_text(ins.s, 1, n.constData(), n.size(), SQLITE_TRANSIENT);
        int rc = sqlite3_step(ins.s);
        if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
        Stmt up(db->prepare(QStringLiteral("UPDATE _dao_tables SET %1=?1 WHERE name=?2").arg(QLatin1String(column))));
        sqlite3_bind_text(up.s, 1, v.constData(), v.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(up.s, 2, n.constData(), n.size(), SQLITE_TRANSIENT);
        rc = sqlite3_step(up.s);
        if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
    });
    db->invalidate();
}
} // namespace

void TableDef::setValidationRule(const QString& rule)
{
    if (!d) raiseNothing();
    d->info.validationRule = rule;
    storeTableProperty(d.get(), "vrule", rule);
}
void TableDef::setValidationText(const QString& text)
{
    if (!d) raiseNothing();
    d->info.validationText = text;
    storeTableProperty(d.get(), "vtext", text);
}

int TableDef::RecordCount() const
{
    if (!d) raiseNothing();
    if (!d->appended) return 0;
    d->check();
    Stmt st(d->db->readPrepare(QStringLiteral("SELECT count(*) FROM %1").arg(jetsql::quoteName(d->info.name))));
    int rc = sqlite3_step(st.s);
    if (rc != SQLITE_ROW) raiseSqlite(d->db->db, rc);
    return sqlite3_column_int(st.s, 0);
}

dao::Fields TableDef::Fields() const
{
    if (!d) raiseNothing();
    dao::Fields f;
    f.td = d;
    return f;
}
Field TableDef::Fields(int index) const { return Fields().Item(index); }
Field TableDef::Fields(const QString& name) const { return Fields().Item(name); }

Field TableDef::CreateField(const QString& name, int type, int size) const
{
    if (!d) raiseNothing();
    Field f;
    f.d->def.name = name;
    if (type != 0) {
        if (declaredType(type).isEmpty()) raise(err::NotSupported, QStringLiteral("无效的字段数据类型 %1。").arg(type));
        f.d->def.type = type;
    }
    if (size >= 0) f.setSize(size);
    return f;
}

Recordset TableDef::OpenRecordset(int type, int options) const
{
    if (!d) raiseNothing();
    if (!d->appended) raise(err::InvalidOperation, QStringLiteral("无效的操作: 表尚未追加到数据库中。"));
    Database db(d->db);
    return db.OpenRecordset(d->info.name, type, options);
}

// ---- TableDefs ----

TableDefs::TableDefs() = default;

int TableDefs::Count() const
{
    if (!db) raiseNothing();
    return db->tableNames().size();
}

namespace {
std::shared_ptr<TableDefData> loadTableDef(const std::shared_ptr<DatabaseData>& db, const QString& name)
{
    auto info = db->table(name);
    if (!info) return nullptr;
    auto td = std::make_shared<TableDefData>();
    td->db = db;
    td->info = *info;
    td->appended = true;
    td->info.fields.clear();
    for (const FieldDef& f : info->fields) td->addLoaded(td, f);
    return td;
}
} // namespace

TableDef TableDefs::Item(int index) const
{
    if (!db) raiseNothing();
    QStringList names = db->tableNames();
    if (index < 0 || index >= names.size())
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(index));
    TableDef t;
    t.d = loadTableDef(db, names[index]);
    if (!t.d) raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(index));
    return t;
}

TableDef TableDefs::Item(const QString& name) const
{
    if (!db) raiseNothing();
    QString n = stripBrackets(name);
    if (n.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive) || n.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
    TableDef t;
    t.d = loadTableDef(db, n);
    if (!t.d)
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
    return t;
}

void TableDefs::Append(const TableDef& table)
{
    if (!db) raiseNothing();
    db->check();
    if (table.isNothing()) raiseNothing();
    TableDefData* td = table.d.get();
    if (td->appended) raise(err::TableExists, QStringLiteral("表 '%1' 已经存在。").arg(td->info.name));
    QString name = td->info.name.trimmed();
    if (name.isEmpty()) raise(err::NotSupported, QStringLiteral("表名称不能为空。"));
    if (name.contains(u']') || name.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive) ||
        name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        raise(err::NotSupported, QStringLiteral("'%1' 不是有效的表名称。").arg(name));
    if (td->fields.isEmpty()) raise(err::NoFields, QStringLiteral("没有定义字段，不能追加表 '%1'。").arg(name));
    if (db->hasTable(name)) raise(err::TableExists, QStringLiteral("表 '%1' 已经存在。").arg(name));
    if (db->readOnly) raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
    // fields in ordinal order (stable)
    QVector<Field> ordered = td->fields;
    std::stable_sort(ordered.begin(), ordered.end(), [](const Field& a, const Field& b) {
        return a.d->def.ordinal < b.d->def.ordinal;
    });
    QStringList cols;
    bool autoKey = false;
    for (const Field& f : ordered) cols << columnSql(f.d->def, &autoKey);
    DatabaseData* d = db.get();
    d->ensureCatalogue();
    atomically(d, [&] {
        d->exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(jetsql::quoteName(name), cols.join(QStringLiteral(", "))));
        Stmt st(d->prepare(QStringLiteral("INSERT OR REPLACE INTO _dao_tables (name, attributes, vrule, vtext) VALUES (?1,?2,?3,?4)")));
        QByteArray n = name.toUtf8(), r = td->info.validationRule.toUtf8(), x = td->info.validationText.toUtf8();
        sqlite3_bind_text(st.s, 1, n.constData(), n.size(), SQLITE_TRANSIENT);
        sqlite3_bind_int(st.s, 2, td->info.attributes);
        sqlite3_bind_text(st.s, 3, r.constData(), r.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st.s, 4, x.constData(), x.size(), SQLITE_TRANSIENT);
        int rc = sqlite3_step(st.s);
        if (rc != SQLITE_DONE) raiseSqlite(d->db, rc);
        int pos = 0;
        for (const Field& f : ordered) {
            FieldDef def = f.d->def;
            def.ordinal = pos++;
            insertFieldRow(d, name, def);
        }
    });
    d->invalidate();
    td->info.name = name;
    td->db = db;
    td->appended = true;
    int pos = 0;
    for (const Field& f : ordered) {
        f.d->appended = true;
        f.d->def.ordinal = pos++;
    }
    td->fields = ordered;
}

void TableDefs::Delete(const QString& name)
{
    if (!db) raiseNothing();
    db->check();
    QString n = stripBrackets(name);
    auto info = db->table(n);
    if (!info || n.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive))
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
    DatabaseData* d = db.get();
    for (RecordsetData* rs : d->openSets) rs->detach();
    atomically(d, [&] {
        d->exec(QStringLiteral("DROP TABLE %1").arg(jetsql::quoteName(info->name)));
        if (d->hasTable(QStringLiteral("_dao_fields"))) {
            for (const char* t : {"_dao_fields WHERE tbl", "_dao_tables WHERE name"}) {
                Stmt st(d->prepare(QStringLiteral("DELETE FROM %1=?1").arg(QLatin1String(t))));
                QByteArray u = info->name.toUtf8();
                sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
                int rc = sqlite3_step(st.s);
                if (rc != SQLITE_DONE) raiseSqlite(d->db, rc);
            }
        }
    });
    d->invalidate();
}

void TableDefs::Refresh()
{
    if (!db) raiseNothing();
    db->invalidate();
}

} // namespace dao
