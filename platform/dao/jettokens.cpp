// The tokens of a Jet statement, and the literals and names the translation writes.
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/dao/jetparser.h"

namespace dao::jetsql {

namespace detail {

namespace {

const QString kSource = QStringLiteral("DAO");

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.unicode() > 0x7f;
}
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c.unicode() > 0x7f;
}

} // namespace

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
                fail(3075, QStringLiteral("查询表达式中的字符串缺少结束引号: %1").arg(vb::Excerpt(s, t.pos)));
            t.type = Tok::String;
            t.text = v;
        } else if (c == u'[') {
            int e = s.indexOf(u']', i + 1);
            if (e < 0)
                fail(3075, QStringLiteral("查询表达式中的名称缺少 \"]\": %1").arg(vb::Excerpt(s, t.pos)));
            t.type = Tok::Bracket;
            t.text = s.mid(i + 1, e - i - 1);
            if (t.text.isEmpty())
                fail(3075, QStringLiteral("查询表达式中的名称为空: []"));
            i = e + 1;
        } else if (c == u'#') {
            int e = s.indexOf(u'#', i + 1);
            if (e < 0)
                fail(3075, QStringLiteral("查询表达式中的日期缺少结束 \"#\": %1").arg(vb::Excerpt(s, t.pos)));
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
                fail(3075, QStringLiteral("查询表达式中的数字不合法: %1").arg(vb::Excerpt(s, b)));
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

} // namespace detail

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

} // namespace dao::jetsql
