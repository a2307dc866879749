#pragma once
// Inside the translation of Jet SQL: the tokens and the parser, whose statements
// are read in jetsql.cpp and whose expressions in jetexpressions.cpp.
#include "platform/core/vbrt.h"
#include "platform/dao/dao.h"
#include "platform/dao/jetsql.h"
#include <QPair>
#include <QVector>
#include <initializer_list>

namespace dao::jetsql::detail {

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
    int height = 1;           // of the expression tree SQLite builds from sql
};

// How deep the translation reads: parentheses, NOT, signs, calls and subqueries nested
// within each other. Each level costs a few KB of stack, and SQLite's parser could not take
// a statement nested even this deep (its stack holds 100 entries).
constexpr int kMaxNesting = 100;
// How tall an expression the translation writes, each link of a chain (a AND b AND ...)
// counting one: below SQLite's own limit of 1000, so it gets what it can run.
constexpr int kMaxHeight = 900;

[[noreturn]] void fail(int number, const QString& text);
QVector<Token> tokenize(const QString& s);
bool isReserved(const QString& lower);

class Parser {
public:
    Parser(const QString& text, const Schema* schema) : src(text), toks(tokenize(text)), schema(schema) {}

    Translation statement(bool withRowid);

private:
    QString src;
    QVector<Token> toks;
    int at = 0;
    int nesting = 0;
    const Schema* schema = nullptr;
    QVector<QPair<QString, QString>> scope;   // (name or alias, table) of the tables in FROM clauses

    // The tables of this SELECT's FROM, read ahead so that its columns have their types.
    void learnScope();

    // A value written to a column passes the column's type check, as a record set's Update does.
    QString checked(const QString& table, const QString& column, const QString& value) const;

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
        fail(3075, QStringLiteral("查询表达式语法错误(%1): '%2'").arg(what, vb::Excerpt(src, peek().pos)));
    }
    // Quotes the text from where the reading stopped, not the statement around it.
    [[noreturn]] void unsupported(const QString& what) const
    {
        fail(3001, QStringLiteral("数据库引擎不支持 %1: '%2'").arg(what, vb::Excerpt(src, peek().pos)));
    }
    [[noreturn]] void invalidStatement() const
    {
        fail(3129, QStringLiteral("无效的 SQL 语句；应为 'DELETE'、'INSERT'、'SELECT' 或 'UPDATE'。"));
    }

    // The statement nests or chains more than the translation reads.
    [[noreturn]] void tooComplex(const QString& what) const
    {
        fail(err::QueryTooComplex, QStringLiteral("查询过于复杂: %1: '%2'").arg(what, vb::Excerpt(src, peek().pos)));
    }
    // One level of nesting while it lives.
    class Nested {
    public:
        explicit Nested(Parser& p) : m_p(p)
        {
            if (++m_p.nesting > kMaxNesting) {
                --m_p.nesting;
                m_p.tooComplex(QStringLiteral("括号、NOT、正负号、函数或子查询嵌套超过 %1 层").arg(kMaxNesting));
            }
        }
        ~Nested() { --m_p.nesting; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        Parser& m_p;
    };

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

    QString select(Translation* t, bool withRowid);
    QString selectItem();
    QString tableRef(QString* table, QString* ref);
    QString fromItem(int* tables, QString* table, QString* ref);
    QString joinChain(int* tables, QString* table, QString* ref);
    QString fromClause(int* tables, QString* table, QString* ref);
    QString deleteStatement(Translation* t);
    QString updateStatement(Translation* t);
    QString insertStatement(Translation* t);
    QString createIndex(Translation* t);
    QString dropStatement(Translation* t);

    // ---- expressions, lowest precedence first ----
    //
    // Each gives its SQL with what the layer knows of its value: Jet's type, whether
    // it names a column, whether it is SQLite's truth value (1/0) rather than Jet's (-1/0).

    Expr expr();
    // An expression whose value is used: a truth value becomes Jet's -1.
    QString value();
    static QString valueOf(const Expr& e);
    // Text compares ignoring letter case: a column brings its own collation; an
    // expression gets NOCASE unless both sides are numbers or dates.
    static QString collated(const Expr& l, const Expr& r);
    static bool collates(const Expr& l, const Expr& r);
    static int collatedHeight(const Expr& l, const Expr& r) { return valueHeight(l) + (collates(l, r) ? 1 : 0); }
    // A date compared with a number compares the date's serial value.
    static void matchDate(const Expr& date, Expr* number);
    // A node of SQLite's tree over children of these heights.
    int above(std::initializer_list<int> heights) const;
    // The height of e as a value (valueOf).
    static int valueHeight(const Expr& e) { return e.height + (e.condition ? 1 : 0); }
    // The height of an operator over the values of l and r.
    int pair(const Expr& l, const Expr& r) const { return above({valueHeight(l), valueHeight(r)}); }
    Expr condition(const QString& sql, int height) const;
    Expr orExpr();
    Expr andExpr();
    Expr notExpr();
    Expr comparison();
    Expr concat();
    // A date joined to text is the runtime's text form of the date.
    static QString asText(const Expr& e);
    Expr typed(const QString& sql, Type type, int height = 1) const;
    Expr additive();
    Expr modulo();
    Expr intDivision();
    Expr multiplicative();
    Expr unary();
    Expr primary();
    Expr columnRef();

    // Jet's type of a column of the tables in scope (by table or alias, or any).
    Type columnType(const QString& ref, const QString& column) const;
    static Type typeOf(int daoType);
    Expr functionCall();
};

} // namespace dao::jetsql::detail
