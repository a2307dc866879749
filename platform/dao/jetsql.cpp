#include "platform/dao/jetsql.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/dao/jetparser.h"

// The statements of Jet SQL; their tokens are read in jettokens.cpp, their
// expressions in jetexpressions.cpp.
namespace dao::jetsql {

namespace detail {

Translation Parser::statement(bool withRowid)
{
    Translation t;
    const Token& first = peek();
    if (first.type != Tok::Name)
        invalidStatement();
    QString kw = first.text.toLower();
    if (kw == u"select") {
        t.kind = Kind::Select;
        t.sql = select(&t, withRowid);
    } else if (kw == u"delete") {
        t.kind = Kind::Delete;
        t.sql = deleteStatement(&t);
    } else if (kw == u"update") {
        t.kind = Kind::Update;
        t.sql = updateStatement(&t);
    } else if (kw == u"insert") {
        t.kind = Kind::Insert;
        t.sql = insertStatement(&t);
    } else if (kw == u"create") {
        t.kind = Kind::CreateIndex;
        t.sql = createIndex(&t);
    } else if (kw == u"drop") {
        t.sql = dropStatement(&t);
    } else {
        invalidStatement();
    }
    if (isOp(";"))
        ++at;
    if (peek().type != Tok::End)
        fail(3142, QStringLiteral("在 SQL 语句结束之后找到字符: %1").arg(vb::Excerpt(src, peek().pos)));
    return t;
}

// The tables of this SELECT's FROM, read ahead so that its columns have their types.
void Parser::learnScope()
{
    if (!schema) return;
    const int back = at;
    int depth = 0;
    for (int k = at; k < toks.size() - 1; ++k) {
        const Token& t = toks[k];
        if (t.type == Tok::Op && t.text == u"(") ++depth;
        else if (t.type == Tok::Op && t.text == u")") --depth;
        else if (depth == 0 && t.type == Tok::Name && t.text.compare(QLatin1String("from"), Qt::CaseInsensitive) == 0) {
            at = k + 1;
            try {
                int tables = 0;
                QString table, ref;
                fromClause(&tables, &table, &ref);
            } catch (const vb::Error&) {
                // the statement's own reading reports it
            }
            break;
        }
        if (depth < 0) break;
    }
    at = back;
}

// A value written to a column passes the column's type check, as a record set's Update does.
QString Parser::checked(const QString& table, const QString& column, const QString& value) const
{
    ColumnInfo c;
    if (!schema || !schema->column(table, column, &c)) return value;
    // one pass: the value's text is never read again for markers
    return QStringLiteral("jet_check(%1, %2, %3, %4, %5)")
        .arg(value, QString::number(c.type), QString::number(c.size), QString::number(c.allowZeroLength ? 1 : 0),
             quoteText(c.name));
}

QString Parser::select(Translation* t, bool withRowid)
{
    expectWord("select");
    bool distinct = false;
    if (acceptWord("all")) {
    } else if (acceptWord("distinct")) {
        distinct = true;
    } else if (isWord("distinctrow")) {
        ++at;
    }
    QString limit;
    if (acceptWord("top")) {
        const Token& n = next();
        bool ok = false;
        int v = n.text.toInt(&ok);
        if (n.type != Tok::Number || !ok || v < 0)
            syntax(QStringLiteral("TOP 后应为整数"));
        if (isWord("percent"))
            unsupported(QStringLiteral("TOP ... PERCENT"));
        limit = QString::number(v);
    }
    learnScope();
    QStringList items;
    do {
        items << selectItem();
    } while (acceptOp(","));
    QString from;
    int tables = 0;
    QString onlyTable, onlyRef;
    if (acceptWord("from")) {
        from = fromClause(&tables, &onlyTable, &onlyRef);
    }
    QString where;
    if (acceptWord("where"))
        where = expr().sql;
    if (isWord("group") || isWord("having") || isWord("union"))
        unsupported(peek().text.toUpper());
    QStringList order;
    if (acceptWord("order")) {
        expectWord("by");
        do {
            Expr term = expr();
            QString e = term.column || term.type == Type::Number || term.type == Type::Date
                            ? valueOf(term)
                            : valueOf(term) + QStringLiteral(" COLLATE NOCASE");
            if (acceptWord("desc"))
                e += QStringLiteral(" DESC");
            else
                acceptWord("asc");
            order << e;
        } while (acceptOp(","));
    }
    QString sql = QStringLiteral("SELECT ");
    if (distinct)
        sql += QStringLiteral("DISTINCT ");
    if (tables == 1 && !distinct) {
        t->baseTable = onlyTable;
        t->baseRef = onlyRef;
        if (withRowid) {
            t->hasRowid = true;
            const QString rowid = quoteName(onlyRef) + QStringLiteral(".rowid");
            sql += rowid + QStringLiteral(", ");
            // the keys in the statement's order, and one row by its key
            t->keySql = QStringLiteral("SELECT ") + rowid + QStringLiteral(" FROM ") + from;
            if (!where.isEmpty()) t->keySql += QStringLiteral(" WHERE ") + where;
            if (!order.isEmpty()) t->keySql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
            if (!limit.isEmpty()) t->keySql += QStringLiteral(" LIMIT ") + limit;
            t->rowSql = QStringLiteral("SELECT ") + rowid + QStringLiteral(", ") + items.join(QStringLiteral(", ")) +
                        QStringLiteral(" FROM ") + from + QStringLiteral(" WHERE ") + rowid + QStringLiteral(" = ?1");
        }
    }
    sql += items.join(QStringLiteral(", "));
    if (!from.isEmpty())
        sql += QStringLiteral(" FROM ") + from;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    if (!limit.isEmpty())
        sql += QStringLiteral(" LIMIT ") + limit;
    return sql;
}

QString Parser::selectItem()
{
    if (acceptOp("*"))
        return QStringLiteral("*");
    if (atName() && isOp(".", 1) && isOp("*", 2)) {
        QString n = name("表名");
        at += 2;
        return quoteName(n) + QStringLiteral(".*");
    }
    QString e = value();
    if (acceptWord("as")) {
        e += QStringLiteral(" AS ") + quoteName(name("别名"));
    } else if (atName()) {
        e += QStringLiteral(" AS ") + quoteName(name("别名"));
    }
    return e;
}

QString Parser::tableRef(QString* table, QString* ref)
{
    if (isWord("select"))
        fail(3131, QStringLiteral("FROM 子句语法错误。"));
    const Token& t = peek();
    if (t.type != Tok::Bracket && !(t.type == Tok::Name && !isReserved(t.text.toLower())))
        fail(3131, QStringLiteral("FROM 子句语法错误: '%1'").arg(vb::Excerpt(src, t.pos)));
    QString n = name("表名");
    if (isWord("in"))
        unsupported(QStringLiteral("IN '外部数据库'"));
    QString out = quoteName(n);
    *table = n;
    *ref = n;
    if (acceptWord("as") || atName()) {
        QString alias = name("别名");
        out += QStringLiteral(" AS ") + quoteName(alias);
        *ref = alias;
    }
    scope.append({*ref, n});
    return out;
}

QString Parser::fromItem(int* tables, QString* table, QString* ref)
{
    if (acceptOp("(")) {
        Nested level(*this);
        QString inner = joinChain(tables, table, ref);
        expectOp(")");
        return QStringLiteral("(") + inner + QStringLiteral(")");
    }
    ++*tables;
    return tableRef(table, ref);
}

QString Parser::joinChain(int* tables, QString* table, QString* ref)
{
    QString out = fromItem(tables, table, ref);
    for (;;) {
        QString kind;
        if (isWord("inner") && isWord("join", 1)) {
            at += 2;
            kind = QStringLiteral(" INNER JOIN ");
        } else if (isWord("left")) {
            ++at;
            acceptWord("outer");
            expectWord("join");
            kind = QStringLiteral(" LEFT JOIN ");
        } else if (isWord("right")) {
            unsupported(QStringLiteral("RIGHT JOIN"));
        } else if (isWord("join")) {
            fail(3131, QStringLiteral("FROM 子句语法错误: JOIN 前缺少 INNER 或 LEFT。"));
        } else {
            break;
        }
        QString t2, r2;
        out += kind + fromItem(tables, &t2, &r2);
        if (!acceptWord("on"))
            fail(3131, QStringLiteral("FROM 子句语法错误: 缺少 ON。"));
        out += QStringLiteral(" ON ") + expr().sql;
    }
    return out;
}

QString Parser::fromClause(int* tables, QString* table, QString* ref)
{
    QString out = joinChain(tables, table, ref);
    while (acceptOp(",")) {
        QString t2, r2;
        out += QStringLiteral(", ") + joinChain(tables, &t2, &r2);
    }
    return out;
}

QString Parser::deleteStatement(Translation* t)
{
    expectWord("delete");
    acceptWord("all");
    if (acceptOp("*")) {
    } else if (atName() && isOp(".", 1) && isOp("*", 2)) {
        name("表名");
        at += 2;
    }
    expectWord("from");
    QString table, ref;
    QString from = tableRef(&table, &ref);
    if (isWord("inner") || isWord("left") || isOp(","))
        unsupported(QStringLiteral("多表 DELETE"));
    t->table = table;
    QString sql = QStringLiteral("DELETE FROM ") + quoteName(table);
    if (ref != table)
        unsupported(QStringLiteral("DELETE 中的表别名"));
    if (acceptWord("where"))
        sql += QStringLiteral(" WHERE ") + expr().sql;
    return sql;
}

QString Parser::updateStatement(Translation* t)
{
    expectWord("update");
    QString table = name("表名");
    t->table = table;
    scope.append({table, table});
    expectWord("set");
    QStringList sets;
    do {
        QString col = name("字段名");
        if (acceptOp(".")) col = name("字段名");
        expectOp("=");
        sets << quoteName(col) + QStringLiteral(" = ") + checked(table, col, value());
    } while (acceptOp(","));
    QString sql = QStringLiteral("UPDATE ") + quoteName(table) + QStringLiteral(" SET ") + sets.join(QStringLiteral(", "));
    if (acceptWord("where"))
        sql += QStringLiteral(" WHERE ") + expr().sql;
    return sql;
}

QString Parser::insertStatement(Translation* t)
{
    expectWord("insert");
    expectWord("into");
    QString table = name("表名");
    t->table = table;
    QString sql = QStringLiteral("INSERT INTO ") + quoteName(table);
    QStringList cols;
    if (acceptOp("(")) {
        QStringList quoted;
        do { cols << name("字段名"); quoted << quoteName(cols.back()); } while (acceptOp(","));
        expectOp(")");
        sql += QStringLiteral(" (") + quoted.join(QStringLiteral(", ")) + QStringLiteral(")");
    } else if (schema) {
        cols = schema->columns(table);
    }
    if (isWord("select"))
        unsupported(QStringLiteral("INSERT INTO ... SELECT"));
    expectWord("values");
    expectOp("(");
    QStringList vals;
    do {
        QString v = value();
        vals << (vals.size() < cols.size() ? checked(table, cols[vals.size()], v) : v);
    } while (acceptOp(","));
    expectOp(")");
    return sql + QStringLiteral(" VALUES (") + vals.join(QStringLiteral(", ")) + QStringLiteral(")");
}

QString Parser::createIndex(Translation* t)
{
    expectWord("create");
    bool unique = acceptWord("unique");
    if (isWord("table"))
        unsupported(QStringLiteral("CREATE TABLE (请用 TableDefs 建表)"));
    expectWord("index");
    QString index = name("索引名");
    expectWord("on");
    QString table = name("表名");
    t->table = table;
    expectOp("(");
    QStringList cols;
    do {
        QString c = quoteName(name("字段名"));
        if (acceptWord("desc"))
            c += QStringLiteral(" DESC");
        else
            acceptWord("asc");
        cols << c;
    } while (acceptOp(","));
    expectOp(")");
    if (acceptWord("with")) {
        // WITH PRIMARY / DISALLOW NULL / IGNORE NULL
        if (acceptWord("primary")) unique = true;
        else if (acceptWord("disallow") || acceptWord("ignore")) expectWord("null");
        else syntax(QStringLiteral("WITH 后应为 PRIMARY、DISALLOW NULL 或 IGNORE NULL"));
    }
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(unique ? QStringLiteral("UNIQUE ") : QString(), quoteName(index), quoteName(table),
             cols.join(QStringLiteral(", ")));
}

QString Parser::dropStatement(Translation* t)
{
    expectWord("drop");
    if (acceptWord("table")) {
        t->kind = Kind::DropTable;
        t->table = name("表名");
        return QStringLiteral("DROP TABLE ") + quoteName(t->table);
    }
    if (acceptWord("index")) {
        t->kind = Kind::DropIndex;
        QString index = name("索引名");
        expectWord("on");
        t->table = name("表名");
        return QStringLiteral("DROP INDEX ") + quoteName(index);
    }
    invalidStatement();
}

} // namespace detail

Translation translate(const QString& jet, bool withRowid, const Schema* schema)
{
    const qsizetype bad = vb::UnstorableChar(jet);
    if (bad >= 0)
        detail::fail(3075, QStringLiteral("查询表达式中有不能使用的字符 %1: '%2'")
                               .arg(vb::CharCode(jet, bad), vb::Excerpt(jet, bad)));
    detail::Parser p(jet, schema);
    return p.statement(withRowid);
}

} // namespace dao::jetsql
