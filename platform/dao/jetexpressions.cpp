// The expressions of a Jet statement, lowest precedence first, in the SQL of SQLite.
#include "platform/core/format.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/dao/dao.h"
#include "platform/dao/jetparser.h"
#include <QHash>

namespace dao::jetsql::detail {

namespace {

// The characters a LIKE pattern begins with before its first wildcard.
QString literalPrefix(const QString& pattern)
{
    int i = 0;
    while (i < pattern.size() && !QStringLiteral("*?#[").contains(pattern[i])) ++i;
    return pattern.left(i);
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

} // namespace

Expr Parser::expr()
{
    Nested level(*this);
    return orExpr();
}

// An expression whose value is used: a truth value becomes Jet's -1.
QString Parser::value()
{
    return valueOf(expr());
}

QString Parser::valueOf(const Expr& e)
{
    return e.condition ? QStringLiteral("(- %1)").arg(e.sql) : e.sql;
}

// Text compares ignoring letter case: a column brings its own collation; an
// expression gets NOCASE unless both sides are numbers or dates.
QString Parser::collated(const Expr& l, const Expr& r)
{
    return collates(l, r) ? valueOf(l) + QStringLiteral(" COLLATE NOCASE") : valueOf(l);
}

bool Parser::collates(const Expr& l, const Expr& r)
{
    if (l.column || r.column) return false;
    auto plain = [](const Expr& e) { return e.type == Type::Number || e.type == Type::Date; };
    return !(plain(l) && plain(r));
}

// A date compared with a number compares the date's serial value.
void Parser::matchDate(const Expr& date, Expr* number)
{
    if (date.type != Type::Date || number->type != Type::Number || number->condition) return;
    if (number->literal) {
        bool ok = false;
        QDateTime d = vb::toDate(number->number, &ok);
        if (ok) {
            number->sql = quoteText(vb::dateToStored(d));
            number->type = Type::Date;
            number->height = 1;
            return;
        }
    }
    number->sql = QStringLiteral("jet_cdate(%1)").arg(number->sql);
    number->type = Type::Date;
    ++number->height;
}

int Parser::above(std::initializer_list<int> heights) const
{
    int h = 0;
    for (int x : heights) h = qMax(h, x);
    if (h >= kMaxHeight)
        tooComplex(QStringLiteral("表达式的运算超过 %1 层").arg(kMaxHeight));
    return h + 1;
}

Expr Parser::condition(const QString& sql, int height) const
{
    Expr e = typed(sql, Type::Number, height);
    e.condition = true;
    return e;
}

// A chain of terms joined by AND or OR, written as one list: SQLite reads it left to
// right, as nested pairs, without a parenthesis per term.
Expr Parser::orExpr()
{
    Expr l = andExpr();
    QStringList terms{l.sql};
    int height = l.height;
    for (;;) {
        if (acceptWord("or")) {
            Expr r = andExpr();
            terms << r.sql;
            height = above({height, r.height});
        } else if (isWord("xor") || isWord("eqv") || isWord("imp")) {
            unsupported(peek().text.toUpper());
        } else {
            break;
        }
    }
    if (terms.size() == 1) return l;
    return condition(QLatin1Char('(') + terms.join(QLatin1String(" OR ")) + QLatin1Char(')'), height);
}

Expr Parser::andExpr()
{
    Expr l = notExpr();
    QStringList terms{l.sql};
    int height = l.height;
    while (acceptWord("and")) {
        Expr r = notExpr();
        terms << r.sql;
        height = above({height, r.height});
    }
    if (terms.size() == 1) return l;
    return condition(QLatin1Char('(') + terms.join(QLatin1String(" AND ")) + QLatin1Char(')'), height);
}

Expr Parser::notExpr()
{
    if (acceptWord("not")) {
        Nested level(*this);
        Expr inner = notExpr();
        return condition(QStringLiteral("(NOT %1)").arg(inner.sql), above({inner.height}));
    }
    return comparison();
}

Expr Parser::comparison()
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
            const int height = above({collatedHeight(l, r), valueHeight(r)});
            l = condition(QStringLiteral("(%1 %2 %3)").arg(collated(l, r), op, valueOf(r)), height);
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
            int height = above({valueHeight(l), valueHeight(r)});
            const QString prefix = r.string ? literalPrefix(r.text) : QString();
            if (!negate && l.column && l.type == Type::Text && !prefix.isEmpty()) {
                // a literal prefix bounds the rows: the column's index finds them
                like = QStringLiteral("(%1 >= %2 AND %1 < %3 AND %4)")
                           .arg(l.sql, quoteText(prefix), quoteText(prefix + QChar(0xFFFF)), like);
                height = above({3, height});
            }
            l = condition(like, height);
        } else if (acceptWord("is")) {
            bool isNot = acceptWord("not");
            expectWord("null");
            l = condition(QStringLiteral("(%1 IS %2NULL)").arg(valueOf(l), isNot ? QStringLiteral("NOT ") : QString()),
                          above({valueHeight(l)}));
        } else if (acceptWord("in")) {
            expectOp("(");
            QString inner;
            Expr items;
            items.type = Type::Unknown;
            int tallest = 1;
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
                    tallest = qMax(tallest, valueHeight(e));
                } while (acceptOp(","));
                inner = list.join(QStringLiteral(", "));
                if (numbers) items.type = Type::Number;
            }
            expectOp(")");
            const int height = above({collatedHeight(l, items), tallest});
            l = condition(QStringLiteral("(%1 %2IN (%3))").arg(collated(l, items), notText, inner), height);
        } else if (acceptWord("between")) {
            Expr lo = concat();
            expectWord("and");
            Expr hi = concat();
            matchDate(l, &lo);
            matchDate(l, &hi);
            Expr bounds = lo.type == hi.type ? lo : Expr();
            const int height = above({collatedHeight(l, bounds), valueHeight(lo), valueHeight(hi)});
            l = condition(QStringLiteral("(%1 %2BETWEEN %3 AND %4)")
                              .arg(collated(l, bounds), notText, valueOf(lo), valueOf(hi)),
                          height);
        } else {
            return l;
        }
    }
}

Expr Parser::concat()
{
    Expr l = additive();
    const auto textHeight = [](const Expr& e) { return valueHeight(e) + (e.type == Type::Date ? 1 : 0); };
    while (acceptOp("&")) {
        Expr r = additive();
        const int height = above({textHeight(l), textHeight(r)});
        l = typed(QStringLiteral("jet_cat(%1, %2)").arg(asText(l), asText(r)), Type::Text, height);
    }
    return l;
}

// A date joined to text is the runtime's text form of the date.
QString Parser::asText(const Expr& e)
{
    return e.type == Type::Date ? QStringLiteral("jet_cstr(%1)").arg(valueOf(e)) : valueOf(e);
}

Expr Parser::typed(const QString& sql, Type type, int height) const
{
    Expr e;
    e.sql = sql;
    e.type = type;
    e.height = height;
    return e;
}

Expr Parser::additive()
{
    Expr l = modulo();
    for (;;) {
        if (acceptOp("+")) {
            Expr r = modulo();
            Type t = l.type == Type::Date || r.type == Type::Date                 ? Type::Date
                     : l.type == r.type && l.type != Type::Unknown && !l.condition ? l.type
                                                                                   : Type::Unknown;
            l = typed(QStringLiteral("jet_add(%1, %2)").arg(valueOf(l), valueOf(r)), t, pair(l, r));
        } else if (acceptOp("-")) {
            Expr r = modulo();
            Type t = l.type == Type::Date && r.type != Type::Date ? Type::Date : Type::Number;
            l = typed(QStringLiteral("jet_sub(%1, %2)").arg(valueOf(l), valueOf(r)), t, pair(l, r));
        } else {
            return l;
        }
    }
}

Expr Parser::modulo()
{
    Expr l = intDivision();
    while (acceptWord("mod")) {
        Expr r = intDivision();
        l = typed(QStringLiteral("jet_mod(%1, %2)").arg(valueOf(l), valueOf(r)), Type::Number, pair(l, r));
    }
    return l;
}

Expr Parser::intDivision()
{
    Expr l = multiplicative();
    while (acceptOp("\\")) {
        Expr r = multiplicative();
        l = typed(QStringLiteral("jet_intdiv(%1, %2)").arg(valueOf(l), valueOf(r)), Type::Number, pair(l, r));
    }
    return l;
}

Expr Parser::multiplicative()
{
    Expr l = unary();
    for (;;) {
        const char* form = acceptOp("*") ? "(%1 * %2)" : acceptOp("/") ? "jet_div(%1, %2)" : nullptr;
        if (!form) return l;
        Expr r = unary();
        l = typed(QString::fromLatin1(form).arg(valueOf(l), valueOf(r)), Type::Number, pair(l, r));
    }
}

Expr Parser::unary()
{
    if (acceptOp("-")) {
        Nested level(*this);
        Expr inner = unary();
        Expr e = typed(QStringLiteral("(- %1)").arg(valueOf(inner)), Type::Number, above({valueHeight(inner)}));
        if (inner.literal) { e.literal = true; e.number = -inner.number; }
        return e;
    }
    if (acceptOp("+")) {
        Nested level(*this);
        return unary();
    }
    Expr l = primary();
    if (isOp("^"))
        unsupported(QStringLiteral("运算符 ^"));
    return l;
}

Expr Parser::primary()
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
            fail(3075, QStringLiteral("查询表达式中的日期不合法: '#%1#'").arg(vb::Excerpt(t.text)));
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
                inner = typed(QLatin1Char('(') + select(&sub, false) + QLatin1Char(')'), Type::Unknown);
            } else {
                // already a whole: a name, a literal, a call or an expression in parentheses
                inner = expr();
            }
            expectOp(")");
            inner.column = false;
            return inner;
        }
        syntax(QStringLiteral("缺少操作数"));
    case Tok::End:
        syntax(QStringLiteral("缺少操作数"));
    }
    syntax(QStringLiteral("缺少操作数"));
}

Expr Parser::columnRef()
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
Type Parser::columnType(const QString& ref, const QString& column) const
{
    if (!schema) return Type::Unknown;
    for (const auto& [r, table] : scope) {
        if (!ref.isEmpty() && r.compare(ref, Qt::CaseInsensitive) != 0) continue;
        ColumnInfo c;
        if (schema->column(table, column, &c)) return typeOf(c.type);
    }
    return Type::Unknown;
}

Type Parser::typeOf(int daoType)
{
    switch (daoType) {
    case dbDate: return Type::Date;
    case dbText: case dbMemo: case dbChar: case dbGUID: return Type::Text;
    case dbBoolean: case dbByte: case dbInteger: case dbLong: case dbCurrency: case dbSingle: case dbDouble:
        return Type::Number;
    default: return Type::Unknown;
    }
}

Expr Parser::functionCall()
{
    QString fname = next().text;
    expectOp("(");
    auto it = functions().constFind(fname.toLower());
    if (it == functions().constEnd())
        fail(3085, QStringLiteral("表达式中有未定义的函数 '%1'。").arg(vb::Excerpt(fname)));
    QStringList args;
    QVector<Expr> values;
    int tallest = 0;
    if (!isOp(")")) {
        do {
            values << expr();
            args << valueOf(values.back());
            tallest = qMax(tallest, valueHeight(values.back()));
        } while (acceptOp(","));
    }
    expectOp(")");
    if (args.size() < it->minArgs || args.size() > it->maxArgs)
        fail(3075, QStringLiteral("函数 '%1' 的参数个数不对。").arg(vb::Excerpt(fname)));
    Type type = it->result;
    if (type == Type::Unknown && fname.compare(QLatin1String("nz"), Qt::CaseInsensitive) == 0)
        type = values[0].type;
    if (type == Type::Unknown && fname.compare(QLatin1String("iif"), Qt::CaseInsensitive) == 0 &&
        values[1].type == values[2].type)
        type = values[1].type;
    return typed(QString::fromLatin1(it->sql) + QStringLiteral("(") + args.join(QStringLiteral(", ")) +
                     QStringLiteral(")"),
                 type, above({tallest}));
}

} // namespace dao::jetsql::detail
