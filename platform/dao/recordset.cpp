// Record sets: a statement walked row by row, the rows written through it, and the
// record-set side of a field (its value).
#include "platform/dao/internal.h"
#include "platform/core/format.h"
#include <algorithm>

namespace dao {

namespace detail {

void RecordsetData::check() const
{
    if (closed || !db || !db->db) raiseClosed();
}

void RecordsetData::close()
{
    if (closed) return;
    closed = true;
    if (stmt) sqlite3_finalize(stmt);
    stmt = nullptr;
    if (keyStmt) sqlite3_finalize(keyStmt);
    keyStmt = nullptr;
    keyReader.reset();
    conn = nullptr;
    reader.reset();
    if (db) db->openSets.removeAll(this);
}

void RecordsetData::open()
{
    // No statement stands open on the main connection between this copy's writes: under
    // the write-ahead journal it would hold the file as it was, and once another copy
    // commits, this copy's next write would be refused. A snapshot shows the rows as they
    // were when it was opened: outside this copy's own transaction it reads on a
    // connection of its own. A table or a dynaset reads its keys there and each row by its
    // key; one without keys (a join, DISTINCT) cannot be written and reads as a snapshot.
    conn = db->db;
    keyed = (type == dbOpenTable || type == dbOpenDynaset) && !tr.rowSql.isEmpty();
    if (!keyed) reader = db->snapshotReader();
    if (reader) {
        conn = reader->h;
        stmt = prepareOn(conn, tr.sql);
    } else if (keyed) {
        stmt = db->prepare(tr.rowSql);
        collectKeys();
    } else {
        stmt = db->prepare(tr.sql);
    }
    int n = sqlite3_column_count(stmt);
    offset = tr.hasRowid ? 1 : 0;
    if (!tr.baseTable.isEmpty()) base = db->table(tr.baseTable);
    for (int c = offset; c < n; ++c) {
        auto fd = std::make_shared<FieldData>();
        fd->rs = this;
        fd->col = c - offset;
        FieldDef& def = fd->def;
        def.name = QString::fromUtf8(sqlite3_column_name(stmt, c));
        const char* tname = sqlite3_column_table_name(stmt, c);
        const char* oname = sqlite3_column_origin_name(stmt, c);
        int bi = -1;
        if (tname && oname) {
            auto info = db->table(QString::fromUtf8(tname));
            if (info) {
                int i = info->find(QString::fromUtf8(oname));
                if (i >= 0) {
                    QString alias = def.name;
                    def = info->fields[i];
                    def.name = alias;
                    def.table = info->name;
                    if (base && info == base) bi = i;
                }
            }
        } else if (const char* decl = sqlite3_column_decltype(stmt, c)) {
            def.type = typeFromDeclared(QString::fromUtf8(decl));
        }
        def.ordinal = c - offset;
        fields << Field(fd);
        baseIndex << bi;
        if (!byName.contains(def.name)) byName.insert(def.name, c - offset);
        QString k = foldKey(def.name);
        if (!byName.contains(k)) byName.insert(k, c - offset);
        if (tname) {
            // "Table.Column" names one of two columns of the same name in a join
            QString q = foldKey(QString::fromUtf8(tname) + u'.' + def.name);
            if (!byName.contains(q)) byName.insert(q, c - offset);
        }
    }
    cur.resize(fields.size());
    loaded.resize(fields.size());
    if (base) {
        fieldOfBase = QVector<int>(base->fields.size(), -1);
        for (int i = 0; i < baseIndex.size(); ++i)
            if (baseIndex[i] >= 0) fieldOfBase[baseIndex[i]] = i;
    }
    db->openSets << this;
    goTo(0);
}

void RecordsetData::collectKeys()
{
    if (keyStmt) sqlite3_finalize(keyStmt);
    keyStmt = nullptr;
    keyReader.reset();
    keys.clear();
    keySeen.clear();
    // Outside this copy's own writing transaction the keys come from the file as it
    // was at opening; inside it they come from the connection itself, which no other
    // copy can change meanwhile (a key seen twice, after this copy moved its row, counts once).
    keyReader = db->snapshotReader();
    keyStmt = keyReader ? prepareOn(keyReader->h, tr.keySql) : db->prepare(tr.keySql);
}

bool RecordsetData::pullKey()
{
    while (keyStmt) {
        int rc = sqlite3_step(keyStmt);
        if (rc == SQLITE_ROW) {
            qint64 k = sqlite3_column_int64(keyStmt, 0);
            if (keySeen.contains(k)) continue;
            keySeen.insert(k);
            keys << k;
            return true;
        }
        sqlite3* on = keyReader ? keyReader->h : db->db;
        sqlite3_finalize(keyStmt);
        keyStmt = nullptr;
        keyReader.reset();
        if (rc != SQLITE_DONE) raiseSqlite(on, rc, tr.keySql);
    }
    return false;
}

void RecordsetData::drainKeys()
{
    if (keyStmt && !keyReader)
        while (pullKey()) {}
}

void RecordsetData::fetchKeyed()
{
    if (conn == db->db) db->joinToRead();
    clearCur();
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, keys[pos]);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        for (int i = 0; i < count(); ++i) {
            cur[i] = readColumn(stmt, i + offset, fields[i].d->def.type);
            loaded[i] = 1;
        }
        anyLoaded = true;
        rowid = keys[pos];
        rowidLoaded = true;
    } else if (rc == SQLITE_DONE) {
        deleted = true;
    }
    // the row is kept whole: no statement stays open on the file
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) raiseSqlite(conn, rc, tr.rowSql);
}

void RecordsetData::resetStmt()
{
    if (stmt) sqlite3_reset(stmt);
    stmtRow = -1;
    live = false;
}

void RecordsetData::detach()
{
    drainKeys();
    if (live) {
        for (int i = 0; i < count(); ++i) ensureLoaded(i);
        loadRowid();
    }
    resetStmt();
}

bool RecordsetData::step()
{
    if (keyed) {
        if (stmtRow + 1 < keys.size() || pullKey()) {
            ++stmtRow;
            return true;
        }
        known = keys.size();
        return false;
    }
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        ++stmtRow;
        return true;
    }
    if (rc == SQLITE_DONE) {
        known = stmtRow + 1;
        resetStmt();
        return false;
    }
    resetStmt();
    raiseSqlite(conn, rc, tr.sql);
}

void RecordsetData::clearCur()
{
    if (anyLoaded) {
        for (int i = 0; i < cur.size(); ++i) { cur[i] = QVariant(); loaded[i] = 0; }
        anyLoaded = false;
    }
    live = false;
    rowidLoaded = false;
    deleted = false;
}

void RecordsetData::goTo(int target)
{
    check();
    if (keyed) {
        if (target < 0) { pos = -1; clearCur(); return; }
        while (target >= keys.size() && pullKey()) {}
        if (target >= keys.size()) {
            pos = known = keys.size();
            seen = std::max(seen, known);
            clearCur();
            return;
        }
        if (pos != target || !rowidLoaded) {
            pos = target;
            fetchKeyed();
        }
        stmtRow = pos;
        seen = std::max(seen, pos + 1);
        return;
    }
    if (target < 0) { pos = -1; clearCur(); return; }
    if (known >= 0 && target >= known) { pos = known; clearCur(); return; }
    if (stmtRow == target) {
        if (pos != target) { clearCur(); pos = target; }
        live = true;
        seen = std::max(seen, pos + 1);
        return;
    }
    if (stmtRow > target) resetStmt();
    clearCur();
    while (stmtRow < target) {
        if (!step()) { pos = known; seen = std::max(seen, known); return; }
    }
    pos = target;
    live = true;
    seen = std::max(seen, pos + 1);
}

void RecordsetData::ensureLoaded(int i)
{
    if (loaded[i]) return;
    if (keyed) {
        int p = pos;
        pos = -2;
        goTo(p);
        if (!loaded[i]) raiseNoCurrent();
        return;
    }
    if (!live) {
        // the statement moved on (another record set's rollback): read the row again
        int p = pos;
        pos = -2;
        goTo(p);
        if (!live) raiseNoCurrent();
    }
    cur[i] = readColumn(stmt, i + offset, fields[i].d->def.type);
    loaded[i] = 1;
    anyLoaded = true;
}

void RecordsetData::loadRowid()
{
    if (rowidLoaded || !offset) return;
    if (!live) raiseNoCurrent();
    rowid = sqlite3_column_int64(stmt, 0);
    rowidLoaded = true;
}

QVariant RecordsetData::keptValue(int i)
{
    check();
    if (editMode != dbEditNone && (changed[i] || editMode == dbEditAdd)) return buf[i];
    if (!hasCurrent()) raiseNoCurrent();
    ensureLoaded(i);
    return cur[i];
}

QVariant RecordsetData::value(int i)
{
    check();
    if (editMode != dbEditNone) {
        if (changed[i]) return buf[i];
        if (editMode == dbEditAdd) return buf[i];
    }
    if (deleted && keyed) raise(3167, QStringLiteral("记录已被删除。"));
    if (!hasCurrent()) raiseNoCurrent();
    if (loaded[i]) return cur[i];
    // read straight from the statement: nothing kept, nothing copied
    if (live) return readColumn(stmt, i + offset, fields[i].d->def.type);
    ensureLoaded(i);
    return cur[i];
}

int RecordsetData::index(const QString& name) const
{
    for (int k = 0; k < kRecent; ++k) {
        const QString& r = recentName[k];
        if (r.size() == name.size() && !r.isNull() && (r.constData() == name.constData() || r == name))
            return recentIndex[k];
    }
    auto it = byName.constFind(name);
    if (it != byName.constEnd()) {
        recentName[recentNext] = name;
        recentIndex[recentNext] = *it;
        recentNext = (recentNext + 1) % kRecent;
        return *it;
    }
    // "Name", "[Name]", "Table.Name", "[Table].[Name]"
    QStringList parts;
    QString part;
    bool inside = false;
    for (QChar c : name.trimmed()) {
        if (c == u'[') inside = true;
        else if (c == u']') inside = false;
        else if (c == u'.' && !inside) { parts << part; part.clear(); continue; }
        else { part += c; continue; }
    }
    parts << part;
    if (parts.size() == 2) {
        it = byName.constFind(foldKey(parts[0] + u'.' + parts[1]));
        if (it != byName.constEnd()) {
            int i = *it;
            if (byName.size() < 1000) byName.insert(name, i);
            return i;
        }
    }
    it = byName.constFind(foldKey(parts.back()));
    if (it != byName.constEnd()) {
        int i = *it;
        if (byName.size() < 1000) byName.insert(name, i);   // the next ask of this spelling is one look-up
        return i;
    }
    return -1;
}

const Field& RecordsetData::field(int i) const
{
    if (i < 0 || i >= fields.size())
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(i));
    return fields[i];
}

const Field& RecordsetData::field(const QString& name) const
{
    int i = index(name);
    if (i < 0) raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
    return fields[i];
}

void RecordsetData::startEdit(int mode)
{
    check();
    if (!updatable) raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
    if (mode == dbEditInProgress) {
        if (!hasCurrent()) raiseNoCurrent();
        for (int i = 0; i < count(); ++i) ensureLoaded(i);
        loadRowid();
    }
    editMode = mode;
    if (buf.size() != count()) buf = QVector<QVariant>(count());
    else buf.fill(QVariant());
    changed.fill(0, count());
    chunked.fill(0, count());
    if (mode == dbEditAdd) {
        for (int i = 0; i < count(); ++i) {
            const FieldDef& d = fields[i].d->def;
            if (d.defaultValue.isValid() && !d.defaultValue.toString().isEmpty()) {
                try {
                    buf[i] = coerce(d, defaultFromText(d.defaultValue.toString()));
                    changed[i] = buf[i].isValid();
                } catch (const vb::Error&) {
                }
            }
        }
    } else {
        buf = cur;
    }
}

const FieldDef& RecordsetData::writable(int i)
{
    check();
    if (editMode == dbEditNone)
        raise(err::UpdateWithoutEdit, QStringLiteral("没有 AddNew 或 Edit 就进行更新或取消更新。"));
    if (baseIndex[i] < 0)
        raise(err::UpdatableField, QStringLiteral("字段 '%1' 不能更新。").arg(fields[i].d->def.name));
    return fields[i].d->def;
}

void RecordsetData::set(int i, const QVariant& v)
{
    const FieldDef& d = writable(i);
    if (d.attributes & dbAutoIncrField)
        raise(err::UpdatableField, QStringLiteral("字段 '%1' 不能更新(自动编号)。").arg(d.name));
    buf[i] = coerce(d, v);
    changed[i] = 1;
}

void RecordsetData::appendChunk(int i, const QByteArray& bytes)
{
    const FieldDef& d = writable(i);
    if (d.type != dbLongBinary && d.type != dbMemo && d.type != dbBinary)
        raise(err::TypeMismatch, QStringLiteral("字段 '%1' 不是长二进制或备注字段。").arg(d.name));
    // the value is taken out of the buffer first, so that appending does not copy it
    if (d.type == dbMemo) {
        QString s = chunked[i] ? buf[i].toString() : QString();
        buf[i] = QVariant();
        s += QString::fromUtf8(bytes);
        buf[i] = QVariant(std::move(s));
    } else {
        QByteArray b = chunked[i] ? buf[i].toByteArray() : QByteArray();
        buf[i] = QVariant();
        b += bytes;
        buf[i] = QVariant(std::move(b));
    }
    chunked[i] = 1;
    changed[i] = 1;
}

void RecordsetData::checkRow()
{
    // Required and zero-length rules of the base table.
    for (int bi = 0; bi < base->fields.size(); ++bi) {
        const FieldDef& d = base->fields[bi];
        int i = fieldOfBase.value(bi, -1);
        QVariant v;
        bool given = false;
        if (i >= 0 && changed[i]) {
            v = buf[i];
            given = true;
        }
        if (!given && editMode == dbEditInProgress) continue;
        if ((d.attributes & dbAutoIncrField)) continue;
        bool isNull = !v.isValid() || (v.isNull() && v.typeId() != QMetaType::QString);
        if (d.required && isNull)
            raise(err::RequiredNull,
                  QStringLiteral("字段 '%1.%2' 不能包含 Null 值，因为该字段的 Required 属性为 True。请在此字段中输入一个值。")
                      .arg(base->name, d.name));
        if (!isNull && isTextType(d.type) && !d.allowZeroLength && v.toString().isEmpty() && given)
            raise(err::ZeroLength, QStringLiteral("字段 '%1.%2' 不能是零长度字符串。").arg(base->name, d.name));
    }
}

void RecordsetData::update()
{
    check();
    if (editMode == dbEditNone)
        raise(err::UpdateWithoutEdit, QStringLiteral("没有 AddNew 或 Edit 就进行更新或取消更新。"));
    checkRow();
    QByteArray mask(count(), '\0');
    QVector<int> which;
    which.reserve(count());
    for (int i = 0; i < count(); ++i) {
        if (!changed[i]) continue;
        if (editMode == dbEditInProgress && loaded[i] && buf[i] == cur[i] &&
            buf[i].typeId() == cur[i].typeId() && buf[i].isNull() == cur[i].isNull())
            continue;
        mask[i] = 1;
        which << i;
    }
    if (editMode == dbEditInProgress && which.isEmpty()) { editMode = dbEditNone; return; }
    // the kept statement was prepared in an earlier transaction: join the one in force
    db->join();
    sqlite3_stmt* st = lastWrite;
    if (!st || mask != lastMask || lastMode != editMode) {
        QStringList cols;
        for (int i : which) cols << jetsql::quoteName(base->fields[baseIndex[i]].name);
        QString sql;
        if (editMode == dbEditAdd) {
            if (cols.isEmpty()) {
                sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(jetsql::quoteName(base->name));
            } else {
                QStringList marks;
                for (int k = 0; k < cols.size(); ++k) marks << QStringLiteral("?%1").arg(k + 1);
                sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(jetsql::quoteName(base->name), cols.join(u','), marks.join(u','));
            }
        } else {
            QStringList sets;
            for (int k = 0; k < cols.size(); ++k) sets << cols[k] + QStringLiteral("=?") + QString::number(k + 1);
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?%3")
                      .arg(jetsql::quoteName(base->name), sets.join(u','), QString::number(cols.size() + 1));
        }
        st = db->cached(sql);
        lastWrite = st;
        lastMask = mask;
        lastMode = editMode;
    }
    for (int k = 0; k < which.size(); ++k)
        bindValue(st, k + 1, fields[which[k]].d->def.type, buf[which[k]]);
    if (editMode == dbEditInProgress) sqlite3_bind_int64(st, which.size() + 1, rowid);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
    if (editMode == dbEditInProgress) {
        if (sqlite3_changes(db->db) == 0) {
            editMode = dbEditNone;
            raise(3167, QStringLiteral("记录已被删除。"));
        }
        for (int i : which) { cur[i] = buf[i]; loaded[i] = 1; }
        anyLoaded = true;
    } else {
        if (keyed) {
            // rows added to a dynaset come at its end
            keys << sqlite3_last_insert_rowid(db->db);
            keySeen.insert(keys.back());
            if (known >= 0) known = keys.size();
        } else if (known >= 0) {
            ++known;
        }
        ++seen;
    }
    editMode = dbEditNone;
    changed.fill(0);
}

} // namespace detail

using namespace detail;

namespace {
RecordsetData* recordsetOf(const std::shared_ptr<FieldData>& d)
{
    if (!d) raiseNothing();
    if (!d->rs) {
        if (d->appended || !d->owner.expired() || d->col < 0)
            raise(err::InvalidOperation, QStringLiteral("无效的操作: 表定义的字段没有值。"));
        raiseClosed();
    }
    return d->rs;
}
} // namespace

QVariant Field::Value() const { return recordsetOf(d)->value(d->col); }
void Field::setValue(const QVariant& value) const { recordsetOf(d)->set(d->col, value); }
void Field::AppendChunk(const QByteArray& bytes) const { recordsetOf(d)->appendChunk(d->col, bytes); }
QByteArray Field::GetChunk(qint64 offset, qint64 bytes) const
{
    QVariant v = recordsetOf(d)->keptValue(d->col);
    if (!v.isValid()) return QByteArray();
    QByteArray b = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
    if (offset < 0 || bytes < 0) raise(err::NotSupported, QStringLiteral("GetChunk 的参数无效。"));
    return b.mid(offset, bytes);
}
qint64 Field::FieldSize() const
{
    QVariant v = recordsetOf(d)->keptValue(d->col);
    if (!v.isValid()) return -1;
    if (v.typeId() == QMetaType::QByteArray) return v.toByteArray().size();
    return v.toString().size();
}

// ---- Recordset ----

Recordset::Recordset() = default;

#define RS_CHECK() if (!d) raiseNothing(); d->check()

bool Recordset::Eof() const { RS_CHECK(); return d->known >= 0 && d->pos >= d->known; }
bool Recordset::Bof() const { RS_CHECK(); return d->pos < 0 || d->known == 0; }

void Recordset::MoveFirst()
{
    RS_CHECK();
    if (d->editMode != dbEditNone) d->editMode = dbEditNone;
    d->goTo(0);
    if (!d->hasCurrent()) raiseNoCurrent();
}

void Recordset::MoveLast()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (d->type == dbOpenForwardOnly) raise(err::OperationNotSupported, QStringLiteral("此记录集类型不支持该操作。"));
    if (d->known < 0) {
        // run to the end to learn the count
        while (d->step()) {}
    }
    if (d->known == 0) { d->goTo(0); raiseNoCurrent(); }
    d->goTo(d->known - 1);
}

void Recordset::MoveNext()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (d->known >= 0 && d->pos >= d->known) raiseNoCurrent();
    d->goTo(d->pos + 1);
}

void Recordset::MovePrevious()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (d->type == dbOpenForwardOnly) raise(err::OperationNotSupported, QStringLiteral("此记录集类型不支持该操作。"));
    if (d->pos < 0) raiseNoCurrent();
    d->goTo(d->pos - 1);
}

void Recordset::Move(int rows)
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (rows == 0) {
        if (!d->hasCurrent()) raiseNoCurrent();
        return;
    }
    if (!d->hasCurrent()) raiseNoCurrent();
    int target = d->pos + rows;
    if (target < 0) target = -1;
    d->goTo(target);
}

int Recordset::RecordCount() const
{
    RS_CHECK();
    if (d->known >= 0) return d->known;
    if (d->type == dbOpenTable && d->base) {
        Stmt st(d->db->readPrepare(QStringLiteral("SELECT count(*) FROM %1").arg(jetsql::quoteName(d->base->name))));
        if (stepRow(st.s)) return sqlite3_column_int(st.s, 0);
    }
    return d->seen;
}

int Recordset::AbsolutePosition() const
{
    RS_CHECK();
    return d->hasCurrent() ? d->pos : -1;
}

void Recordset::setAbsolutePosition(int position)
{
    RS_CHECK();
    if (position < 0) raise(err::NotSupported, QStringLiteral("无效的参数: 位置 %1。").arg(position));
    d->editMode = dbEditNone;
    d->goTo(position);
    if (!d->hasCurrent()) raise(err::NotSupported, QStringLiteral("无效的参数: 位置 %1 超出记录集范围。").arg(position));
}

dao::Fields Recordset::Fields() const
{
    RS_CHECK();
    dao::Fields f;
    f.rs = d;
    return f;
}
const Field& Recordset::Fields(int index) const { RS_CHECK(); return d->field(index); }
const Field& Recordset::Fields(const QString& name) const { RS_CHECK(); return d->field(name); }

void Recordset::AddNew() { RS_CHECK(); d->startEdit(dbEditAdd); }
void Recordset::Edit() { RS_CHECK(); d->startEdit(dbEditInProgress); }
void Recordset::Update() { RS_CHECK(); d->update(); }
void Recordset::CancelUpdate()
{
    RS_CHECK();
    if (d->editMode == dbEditNone)
        raise(err::UpdateWithoutEdit, QStringLiteral("没有 AddNew 或 Edit 就进行更新或取消更新。"));
    d->editMode = dbEditNone;
    d->buf.clear();
}
int Recordset::EditMode() const { RS_CHECK(); return d->editMode; }
bool Recordset::Updatable() const { RS_CHECK(); return d->updatable; }
int Recordset::Type() const { RS_CHECK(); return d->type; }
QString Recordset::Name() const { RS_CHECK(); return d->source.left(256); }

Recordset Recordset::Clone() const
{
    RS_CHECK();
    auto c = std::make_shared<RecordsetData>();
    c->db = d->db;
    c->source = d->source;
    c->tr = d->tr;
    c->type = d->type;
    c->options = d->options;
    c->updatable = d->updatable;
    c->open();
    return Recordset(c);
}

void Recordset::Requery()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    d->resetStmt();
    if (d->reader && d->reader.use_count() == 1) {
        // a new view of the rows
        execOn(d->conn, "COMMIT");
        execOn(d->conn, "BEGIN");
    }
    if (d->keyed) d->collectKeys();
    d->known = -1;
    d->seen = 0;
    d->pos = -2;
    d->goTo(0);
}

void Recordset::Close()
{
    if (!d) raiseNothing();
    if (d->closed) raiseClosed();
    d->close();
}

} // namespace dao
