#include "platform/dao/jetsql.h"
#include "platform/core/format.h"
#include "platform/core/vberror.h"
#include "platform/dao/dao.h"
#include <QHash>
#include <QPair>
#include <QVector>

namespace dao::jetsql {

namespace {

const QString kSource = QStringLiteral("DAO");

enum class Tok { End, Name, Bracket, String, Number, Date, Op };

struct Token {
    Tok type = Tok::End;
    QString text;   // name, string contents, number text, date contents, operator
    int pos = 0;
};

// Jet's type of an expression, as far as the translation knows it.
enum class Type { Unknown, Text, Number, Date };

struct Expr {
    QString sql;
    Type type = Type::Unknown;
    bool column = false;      // a plain column reference
    bool condition = false;   // SQLite's truth value, 1 or 0
    bool literal = false;     // a number written out: its value
    double number = 0;
    bool string = false;      // a text written out: its text
    QString text;
};

// The characters a LIKE pattern begins with before its first wildcard.
QString literalPrefix(const QString& pattern)
{
    int i = 0;
    while (i < pattern.size() && !QStringLiteral("*?#[").contains(pattern[i])) ++i;
    return pattern.left(i);
}

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.unicode() > 0x7f;
}
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c.unicode() > 0x7f;
}

[[noreturn]] void fail(int number, const QString& text)
{
    throw vb::Error(number, text, kSource);
}

QVector<Token> tokenize(const QString& s)
{
    QVector<Token> out;
    int i = 0;
    const int n = s.size();
    while (i < n) {
        QChar c = s[i];
        if (c.isSpace()) { ++i; continue; }
        Token t;
        t.pos = i;
        if (c == u'\'' || c == u'"') {
            // A text literal; the quote doubled stands for itself.
            QChar q = c;
            QString v;
            ++i;
            bool closed = false;
            while (i < n) {
                if (s[i] == q) {
                    if (i + 1 < n && s[i + 1] == q) { v += q; i += 2; continue; }
                    ++i;
                    closed = true;
                    break;
                }
                v += s[i++];
            }
            if (!closed)
                fail(3075, QStringLiteral("查询表达式中的字符串缺少结束引号: %1").arg(s.mid(t.pos)));
            t.type = Tok::String;
            t.text = v;
        } else if (c == u'[') {
            int e = s.indexOf(u']', i + 1);
            if (e < 0)
                fail(3075, QStringLiteral("查询表达式中的名称缺少 \"]\": %1").arg(s.mid(t.pos)));
            t.type = Tok::Bracket;
            t.text = s.mid(i + 1, e - i - 1);
            if (t.text.isEmpty())
                fail(3075, QStringLiteral("查询表达式中的名称为空: []"));
            i = e + 1;
        } else if (c == u'#') {
            int e = s.indexOf(u'#', i + 1);
            if (e < 0)
                fail(3075, QStringLiteral("查询表达式中的日期缺少结束 \"#\": %1").arg(s.mid(t.pos)));
            t.type = Tok::Date;
            t.text = s.mid(i + 1, e - i - 1).trimmed();
            i = e + 1;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            int b = i;
            while (i < n && s[i].isDigit()) ++i;
            if (i < n && s[i] == u'.') { ++i; while (i < n && s[i].isDigit()) ++i; }
            if (i < n && (s[i] == u'e' || s[i] == u'E')) {
                int k = i + 1;
                if (k < n && (s[k] == u'+' || s[k] == u'-')) ++k;
                if (k < n && s[k].isDigit()) {
                    i = k;
                    while (i < n && s[i].isDigit()) ++i;
                }
            }
            if (i < n && isNameStart(s[i]))
                fail(3075, QStringLiteral("查询表达式中的数字不合法: %1").arg(s.mid(b, i - b + 1)));
            t.type = Tok::Number;
            t.text = s.mid(b, i - b);
        } else if (isNameStart(c)) {
            int b = i;
            while (i < n && isNameChar(s[i])) ++i;
            t.type = Tok::Name;
            t.text = s.mid(b, i - b);
        } else {
            static const QString two[] = {QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">="),
                                          QStringLiteral("!=")};
            t.type = Tok::Op;
            bool done = false;
            for (const QString& op : two) {
                if (s.mid(i, 2) == op) { t.text = op; i += 2; done = true; break; }
            }
            if (!done) {
                static const QString ones = QStringLiteral("=<>+-*/\\&(),.;^");
                if (!ones.contains(c))
                    fail(3075, QStringLiteral("查询表达式中有不能识别的字符 \"%1\"。").arg(c));
                t.text = c;
                ++i;
            }
        }
        out.push_back(t);
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

// The functions a query may call: name -> (SQL function, fewest, most arguments).
struct FunctionInfo {
    const char* sql;
    int minArgs;
    int maxArgs;
    Type result;
};

const QHash<QString, FunctionInfo>& functions()
{
    static const QHash<QString, FunctionInfo> table = {
        {QStringLiteral("year"), {"jet_year", 1, 1, Type::Number}},
        {QStringLiteral("month"), {"jet_month", 1, 1, Type::Number}},
        {QStringLiteral("day"), {"jet_day", 1, 1, Type::Number}},
        {QStringLiteral("hour"), {"jet_hour", 1, 1, Type::Number}},
        {QStringLiteral("minute"), {"jet_minute", 1, 1, Type::Number}},
        {QStringLiteral("second"), {"jet_second", 1, 1, Type::Number}},
        {QStringLiteral("now"), {"jet_now", 0, 0, Type::Date}},
        {QStringLiteral("date"), {"jet_date", 0, 0, Type::Date}},
        {QStringLiteral("format"), {"jet_format", 1, 2, Type::Text}},
        {QStringLiteral("left"), {"jet_left", 2, 2, Type::Text}},
        {QStringLiteral("right"), {"jet_right", 2, 2, Type::Text}},
        {QStringLiteral("mid"), {"jet_mid", 2, 3, Type::Text}},
        {QStringLiteral("len"), {"jet_len", 1, 1, Type::Number}},
        {QStringLiteral("trim"), {"jet_trim", 1, 1, Type::Text}},
        {QStringLiteral("ltrim"), {"jet_ltrim", 1, 1, Type::Text}},
        {QStringLiteral("rtrim"), {"jet_rtrim", 1, 1, Type::Text}},
        {QStringLiteral("ucase"), {"jet_ucase", 1, 1, Type::Text}},
        {QStringLiteral("lcase"), {"jet_lcase", 1, 1, Type::Text}},
        {QStringLiteral("iif"), {"jet_iif", 3, 3, Type::Unknown}},
        {QStringLiteral("nz"), {"jet_nz", 1, 2, Type::Unknown}},
        {QStringLiteral("val"), {"jet_val", 1, 1, Type::Number}},
    };
    return table;
}

bool isReserved(const QString& lower)
{
    static const QStringList words = {
        QStringLiteral("select"), QStringLiteral("from"), QStringLiteral("where"), QStringLiteral("order"),
        QStringLiteral("by"), QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("not"),
        QStringLiteral("like"), QStringLiteral("is"), QStringLiteral("in"), QStringLiteral("between"),
        QStringLiteral("mod"), QStringLiteral("as"), QStringLiteral("on"), QStringLiteral("inner"),
        QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("join"), QStringLiteral("outer"),
        QStringLiteral("asc"), QStringLiteral("desc"), QStringLiteral("group"), QStringLiteral("having"),
        QStringLiteral("union"), QStringLiteral("into"), QStringLiteral("values"), QStringLiteral("set"),
        QStringLiteral("top"), QStringLiteral("distinct"), QStringLiteral("all"), QStringLiteral("xor"),
        QStringLiteral("eqv"), QStringLiteral("imp"), QStringLiteral("null"), QStringLiteral("true"),
        QStringLiteral("false")};
    return words.contains(lower);
}

class Parser {
public:
    Parser(const QString& text, const Schema* schema) : src(text), toks(tokenize(text)), schema(schema) {}

    Translation statement(bool withRowid)
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
            fail(3142, QStringLiteral("在 SQL 语句结束之后找到字符: %1").arg(src.mid(peek().pos).trimmed()));
        return t;
    }

private:
    QString src;
    QVector<Token> toks;
    int at = 0;
    const Schema* schema = nullptr;
    QVector<QPair<QString, QString>> scope;   // (name or alias, table) of the tables in FROM clauses

    // The tables of this SELECT's FROM, read ahead so that its columns have their types.
    void learnScope()
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
    QString checked(const QString& table, const QString& column, const QString& value) const
    {
        ColumnInfo c;
        if (!schema || !schema->column(table, column, &c)) return value;
        return QStringLiteral("jet_check(%1, %2, %3, %4, %5)")
            .arg(value)
            .arg(c.type)
            .arg(c.size)
            .arg(c.allowZeroLength ? 1 : 0)
            .arg(quoteText(c.name));
    }

    const Token& peek(int ahead = 0) const
    {
        int k = qMin(at + ahead, int(toks.size()) - 1);
        return toks[k];
    }
    const Token& next() { const Token& t = peek(); if (at < toks.size() - 1) ++at; return t; }
    bool isWord(const char* w, int ahead = 0) const
    {
        const Token& t = peek(ahead);
        return t.type == Tok::Name && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    }
    bool isOp(const char* op, int ahead = 0) const
    {
        const Token& t = peek(ahead);
        return t.type == Tok::Op && t.text == QLatin1String(op);
    }
    bool acceptWord(const char* w) { if (isWord(w)) { ++at; return true; } return false; }
    bool acceptOp(const char* op) { if (isOp(op)) { ++at; return true; } return false; }
    void expectWord(const char* w)
    {
        if (!acceptWord(w))
            syntax(QStringLiteral("缺少 %1").arg(QString::fromLatin1(w).toUpper()));
    }
    void expectOp(const char* op)
    {
        if (!acceptOp(op))
            syntax(QStringLiteral("缺少 \"%1\"").arg(QLatin1String(op)));
    }
    [[noreturn]] void syntax(const QString& what) const
    {
        fail(3075, QStringLiteral("查询表达式语法错误(%1): '%2'").arg(what, src.mid(peek().pos).trimmed().left(80)));
    }
    [[noreturn]] void unsupported(const QString& what) const
    {
        fail(3001, QStringLiteral("数据库引擎不支持 %1: '%2'").arg(what, src.trimmed().left(120)));
    }
    [[noreturn]] void invalidStatement() const
    {
        fail(3129, QStringLiteral("无效的 SQL 语句；应为 'DELETE'、'INSERT'、'SELECT' 或 'UPDATE'。"));
    }

    // A plain or bracketed name.
    QString name(const char* what)
    {
        const Token& t = peek();
        if (t.type == Tok::Bracket) { ++at; return t.text; }
        if (t.type == Tok::Name && !isReserved(t.text.toLower())) { ++at; return t.text; }
        syntax(QStringLiteral("缺少%1").arg(QString::fromUtf8(what)));
    }
    bool atName() const
    {
        const Token& t = peek();
        return t.type == Tok::Bracket || (t.type == Tok::Name && !isReserved(t.text.toLower()));
    }

    // ---- statements ----

    QString select(Translation* t, bool withRowid)
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

    QString selectItem()
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

    QString tableRef(QString* table, QString* ref)
    {
        if (isWord("select"))
            fail(3131, QStringLiteral("FROM 子句语法错误。"));
        const Token& t = peek();
        if (t.type != Tok::Bracket && !(t.type == Tok::Name && !isReserved(t.text.toLower())))
            fail(3131, QStringLiteral("FROM 子句语法错误: '%1'").arg(src.mid(t.pos).trimmed().left(80)));
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

    QString fromItem(int* tables, QString* table, QString* ref)
    {
        if (acceptOp("(")) {
            QString inner = joinChain(tables, table, ref);
            expectOp(")");
            return QStringLiteral("(") + inner + QStringLiteral(")");
        }
        ++*tables;
        return tableRef(table, ref);
    }

    QString joinChain(int* tables, QString* table, QString* ref)
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

    QString fromClause(int* tables, QString* table, QString* ref)
    {
        QString out = joinChain(tables, table, ref);
        while (acceptOp(",")) {
            QString t2, r2;
            out += QStringLiteral(", ") + joinChain(tables, &t2, &r2);
        }
        return out;
    }

    QString deleteStatement(Translation* t)
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

    QString updateStatement(Translation* t)
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

    QString insertStatement(Translation* t)
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

    QString createIndex(Translation* t)
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

    QString dropStatement(Translation* t)
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

    // ---- expressions, lowest precedence first ----
    //
    // Each gives its SQL with what the layer knows of its value: Jet's type, whether
    // it names a column, whether it is SQLite's truth value (1/0) rather than Jet's (-1/0).

    Expr expr() { return orExpr(); }
    // An expression whose value is used: a truth value becomes Jet's -1.
    QString value() { return valueOf(expr()); }
    static QString valueOf(const Expr& e)
    {
        return e.condition ? QStringLiteral("(- %1)").arg(e.sql) : e.sql;
    }
    // Text compares ignoring letter case: a column brings its own collation; an
    // expression gets NOCASE unless both sides are numbers or dates.
    static QString collated(const Expr& l, const Expr& r)
    {
        QString sql = valueOf(l);
        if (l.column || r.column) return sql;
        auto plain = [](const Expr& e) { return e.type == Type::Number || e.type == Type::Date; };
        if (plain(l) && plain(r)) return sql;
        return sql + QStringLiteral(" COLLATE NOCASE");
    }
    // A date compared with a number compares the date's serial value.
    static void matchDate(const Expr& date, Expr* number)
    {
        if (date.type != Type::Date || number->type != Type::Number || number->condition) return;
        if (number->literal) {
            bool ok = false;
            QDateTime d = vb::toDate(number->number, &ok);
            if (ok) { number->sql = quoteText(vb::dateToStored(d)); number->type = Type::Date; return; }
        }
        number->sql = QStringLiteral("jet_cdate(%1)").arg(number->sql);
        number->type = Type::Date;
    }
    static Expr condition(const QString& sql)
    {
        Expr e;
        e.sql = sql;
        e.type = Type::Number;
        e.condition = true;
        return e;
    }

    Expr orExpr()
    {
        Expr l = andExpr();
        for (;;) {
            if (acceptWord("or")) l = condition(QStringLiteral("(%1 OR %2)").arg(l.sql, andExpr().sql));
            else if (isWord("xor") || isWord("eqv") || isWord("imp")) unsupported(peek().text.toUpper());
            else return l;
        }
    }

    Expr andExpr()
    {
        Expr l = notExpr();
        while (acceptWord("and"))
            l = condition(QStringLiteral("(%1 AND %2)").arg(l.sql, notExpr().sql));
        return l;
    }

    Expr notExpr()
    {
        if (acceptWord("not"))
            return condition(QStringLiteral("(NOT %1)").arg(notExpr().sql));
        return comparison();
    }

    Expr comparison()
    {
        Expr l = concat();
        for (;;) {
            const Token& t = peek();
            if (t.type == Tok::Op && (t.text == u"=" || t.text == u"<>" || t.text == u"<" || t.text == u">" ||
                                      t.text == u"<=" || t.text == u">=" || t.text == u"!=")) {
                QString op = t.text == u"!=" ? QStringLiteral("<>") : t.text;
                ++at;
                Expr r = concat();
                matchDate(l, &r);
                matchDate(r, &l);
                l = condition(QStringLiteral("(%1 %2 %3)").arg(collated(l, r), op, valueOf(r)));
                continue;
            }
            bool negate = false;
            if (isWord("not") && (isWord("like", 1) || isWord("in", 1) || isWord("between", 1))) {
                ++at;
                negate = true;
            }
            QString notText = negate ? QStringLiteral("NOT ") : QString();
            if (acceptWord("like")) {
                Expr r = concat();
                QString like = QStringLiteral("(%1 %2LIKE %3)").arg(valueOf(l), notText, valueOf(r));
                const QString prefix = r.string ? literalPrefix(r.text) : QString();
                if (!negate && l.column && l.type == Type::Text && !prefix.isEmpty()) {
                    // a literal prefix bounds the rows: the column's index finds them
                    like = QStringLiteral("(%1 >= %2 AND %1 < %3 AND %4)")
                               .arg(l.sql, quoteText(prefix), quoteText(prefix + QChar(0xFFFF)), like);
                }
                l = condition(like);
            } else if (acceptWord("is")) {
                bool isNot = acceptWord("not");
                expectWord("null");
                l = condition(QStringLiteral("(%1 IS %2NULL)").arg(valueOf(l), isNot ? QStringLiteral("NOT ") : QString()));
            } else if (acceptWord("in")) {
                expectOp("(");
                QString inner;
                Expr items;
                items.type = Type::Unknown;
                if (isWord("select")) {
                    Translation sub;
                    inner = select(&sub, false);
                } else {
                    QStringList list;
                    bool numbers = true;
                    do {
                        Expr e = expr();
                        numbers = numbers && (e.type == Type::Number || e.type == Type::Date);
                        list << valueOf(e);
                    } while (acceptOp(","));
                    inner = list.join(QStringLiteral(", "));
                    if (numbers) items.type = Type::Number;
                }
                expectOp(")");
                l = condition(QStringLiteral("(%1 %2IN (%3))").arg(collated(l, items), notText, inner));
            } else if (acceptWord("between")) {
                Expr lo = concat();
                expectWord("and");
                Expr hi = concat();
                matchDate(l, &lo);
                matchDate(l, &hi);
                Expr bounds = lo.type == hi.type ? lo : Expr();
                l = condition(QStringLiteral("(%1 %2BETWEEN %3 AND %4)")
                                  .arg(collated(l, bounds), notText, valueOf(lo), valueOf(hi)));
            } else {
                return l;
            }
        }
    }

    Expr concat()
    {
        Expr l = additive();
        while (acceptOp("&")) {
            Expr r = additive();
            l = typed(QStringLiteral("jet_cat(%1, %2)").arg(asText(l), asText(r)), Type::Text);
        }
        return l;
    }
    // A date joined to text is the runtime's text form of the date.
    static QString asText(const Expr& e)
    {
        return e.type == Type::Date ? QStringLiteral("jet_cstr(%1)").arg(valueOf(e)) : valueOf(e);
    }
    static Expr typed(const QString& sql, Type type)
    {
        Expr e;
        e.sql = sql;
        e.type = type;
        return e;
    }

    Expr additive()
    {
        Expr l = modulo();
        for (;;) {
            if (acceptOp("+")) {
                Expr r = modulo();
                Type t = l.type == Type::Date || r.type == Type::Date                 ? Type::Date
                         : l.type == r.type && l.type != Type::Unknown && !l.condition ? l.type
                                                                                       : Type::Unknown;
                l = typed(QStringLiteral("jet_add(%1, %2)").arg(valueOf(l), valueOf(r)), t);
            } else if (acceptOp("-")) {
                Expr r = modulo();
                Type t = l.type == Type::Date && r.type != Type::Date ? Type::Date : Type::Number;
                l = typed(QStringLiteral("jet_sub(%1, %2)").arg(valueOf(l), valueOf(r)), t);
            } else {
                return l;
            }
        }
    }

    Expr modulo()
    {
        Expr l = intDivision();
        while (acceptWord("mod"))
            l = typed(QStringLiteral("jet_mod(%1, %2)").arg(valueOf(l), valueOf(intDivision())), Type::Number);
        return l;
    }

    Expr intDivision()
    {
        Expr l = multiplicative();
        while (acceptOp("\\"))
            l = typed(QStringLiteral("jet_intdiv(%1, %2)").arg(valueOf(l), valueOf(multiplicative())), Type::Number);
        return l;
    }

    Expr multiplicative()
    {
        Expr l = unary();
        for (;;) {
            if (acceptOp("*")) l = typed(QStringLiteral("(%1 * %2)").arg(valueOf(l), valueOf(unary())), Type::Number);
            else if (acceptOp("/")) l = typed(QStringLiteral("jet_div(%1, %2)").arg(valueOf(l), valueOf(unary())), Type::Number);
            else return l;
        }
    }

    Expr unary()
    {
        if (acceptOp("-")) {
            Expr inner = unary();
            Expr e = typed(QStringLiteral("(- %1)").arg(valueOf(inner)), Type::Number);
            if (inner.literal) { e.literal = true; e.number = -inner.number; }
            return e;
        }
        if (acceptOp("+")) return unary();
        Expr l = primary();
        if (isOp("^"))
            unsupported(QStringLiteral("运算符 ^"));
        return l;
    }

    Expr primary()
    {
        const Token t = peek();
        switch (t.type) {
        case Tok::Number: {
            ++at;
            Expr e = typed(t.text, Type::Number);
            e.number = t.text.toDouble(&e.literal);
            return e;
        }
        case Tok::String: {
            ++at;
            Expr e = typed(quoteText(t.text), Type::Text);
            e.string = true;
            e.text = t.text;
            return e;
        }
        case Tok::Date: {
            ++at;
            bool ok = false;
            QDateTime d = vb::toDate(t.text, &ok);
            if (!ok)
                fail(3075, QStringLiteral("查询表达式中的日期不合法: '#%1#'").arg(t.text));
            return typed(quoteText(vb::dateToStored(d)), Type::Date);
        }
        case Tok::Bracket:
            return columnRef();
        case Tok::Name: {
            QString lower = t.text.toLower();
            if (lower == u"true") { ++at; return typed(QStringLiteral("-1"), Type::Number); }
            if (lower == u"false") { ++at; return typed(QStringLiteral("0"), Type::Number); }
            if (lower == u"null") { ++at; return typed(QStringLiteral("NULL"), Type::Unknown); }
            if (isOp("(", 1))
                return functionCall();
            if (isReserved(lower))
                syntax(QStringLiteral("缺少操作数"));
            return columnRef();
        }
        case Tok::Op:
            if (t.text == u"(") {
                ++at;
                Expr inner;
                if (isWord("select")) {
                    Translation sub;
                    inner = typed(select(&sub, false), Type::Unknown);
                } else {
                    inner = expr();
                }
                expectOp(")");
                inner.sql = QStringLiteral("(") + inner.sql + QStringLiteral(")");
                inner.column = false;
                return inner;
            }
            syntax(QStringLiteral("缺少操作数"));
        case Tok::End:
            syntax(QStringLiteral("缺少操作数"));
        }
        syntax(QStringLiteral("缺少操作数"));
    }

    Expr columnRef()
    {
        QString first = next().text;
        Expr e;
        e.column = true;
        if (acceptOp(".")) {
            if (isOp("*"))
                syntax(QStringLiteral("此处不能用 *"));
            QString second = name("字段名");
            e.sql = quoteName(first) + QStringLiteral(".") + quoteName(second);
            e.type = columnType(first, second);
        } else {
            e.sql = quoteName(first);
            e.type = columnType(QString(), first);
        }
        return e;
    }

    // Jet's type of a column of the tables in scope (by table or alias, or any).
    Type columnType(const QString& ref, const QString& column) const
    {
        if (!schema) return Type::Unknown;
        for (const auto& [r, table] : scope) {
            if (!ref.isEmpty() && r.compare(ref, Qt::CaseInsensitive) != 0) continue;
            ColumnInfo c;
            if (schema->column(table, column, &c)) return typeOf(c.type);
        }
        return Type::Unknown;
    }
    static Type typeOf(int daoType)
    {
        switch (daoType) {
        case dbDate: return Type::Date;
        case dbText: case dbMemo: case dbChar: case dbGUID: return Type::Text;
        case dbBoolean: case dbByte: case dbInteger: case dbLong: case dbCurrency: case dbSingle: case dbDouble:
            return Type::Number;
        default: return Type::Unknown;
        }
    }

    Expr functionCall()
    {
        QString fname = next().text;
        expectOp("(");
        auto it = functions().constFind(fname.toLower());
        if (it == functions().constEnd())
            fail(3085, QStringLiteral("表达式中有未定义的函数 '%1'。").arg(fname));
        QStringList args;
        QVector<Expr> values;
        if (!isOp(")")) {
            do {
                values << expr();
                args << valueOf(values.back());
            } while (acceptOp(","));
        }
        expectOp(")");
        if (args.size() < it->minArgs || args.size() > it->maxArgs)
            fail(3075, QStringLiteral("函数 '%1' 的参数个数不对。").arg(fname));
        Type type = it->result;
        if (type == Type::Unknown && fname.compare(QLatin1String("nz"), Qt::CaseInsensitive) == 0)
            type = values[0].type;
        if (type == Type::Unknown && fname.compare(QLatin1String("iif"), Qt::CaseInsensitive) == 0 &&
            values[1].type == values[2].type)
            type = values[1].type;
        return typed(QString::fromLatin1(it->sql) + QStringLiteral("(") + args.join(QStringLiteral(", ")) +
                         QStringLiteral(")"),
                     type);
    }
};

} // namespace

QString quoteText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (QChar c : text) {
        if (c == u'\'') out += u'\'';
        out += c;
    }
    out += u'\'';
    return out;
}

QString quoteName(const QString& name)
{
    return QStringLiteral("[") + name + QStringLiteral("]");
}

Translation translate(const QString& jet, bool withRowid, const Schema* schema)
{
    Parser p(jet, schema);
    return p.statement(withRowid);
}

} // namespace dao::jetsql
