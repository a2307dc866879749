#include "platform/core/like.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include <QVector>

namespace vb {

QString caseFold(const QString& text)
{
    QString s = text.toCaseFolded();
    // Qt folds one character to one; add the foldings that expand.
    bool special = false;
    for (QChar c : s) {
        ushort u = c.unicode();
        if (u == 0x00DF || u == 0x0130 || (u >= 0xFB00 && u <= 0xFB06) || u == 0x1E9E) { special = true; break; }
    }
    if (!special) return s;
    QString out;
    out.reserve(s.size() + 4);
    for (QChar c : s) {
        switch (c.unicode()) {
        case 0x00DF: case 0x1E9E: out += QLatin1String("ss"); break;
        case 0x0130: out += QStringLiteral("i\u0307"); break;
        case 0xFB00: out += QLatin1String("ff"); break;
        case 0xFB01: out += QLatin1String("fi"); break;
        case 0xFB02: out += QLatin1String("fl"); break;
        case 0xFB03: out += QLatin1String("ffi"); break;
        case 0xFB04: out += QLatin1String("ffl"); break;
        case 0xFB05: case 0xFB06: out += QLatin1String("st"); break;
        default: out += c;
        }
    }
    return out;
}

namespace {

using Kind = LikePattern::Kind;
using Element = LikePattern::Element;

[[noreturn]] void badPattern(const QString& pattern)
{
    throw Error(93, QStringLiteral("无效的模式字符串: %1").arg(Excerpt(pattern)));
}

QVector<char32_t> codePoints(const QString& s)
{
    QVector<char32_t> out;
    out.reserve(s.size());
    for (char32_t c : s.toUcs4()) out << c;
    return out;
}

QVector<Element> compile(const QString& pattern)
{
    QVector<char32_t> p = codePoints(caseFold(pattern));
    QVector<Element> out;
    for (int i = 0; i < p.size(); ++i) {
        Element e;
        char32_t c = p[i];
        if (c == U'*') {
            if (!out.isEmpty() && out.back().kind == Kind::Star) continue;
            e.kind = Kind::Star;
        } else if (c == U'?') {
            e.kind = Kind::Any;
        } else if (c == U'#') {
            e.kind = Kind::Digit;
        } else if (c == U'[') {
            int j = i + 1;
            e.kind = Kind::Set;
            if (j < p.size() && p[j] == U'!') { e.negated = true; ++j; }
            int start = j;
            while (j < p.size() && p[j] != U']') ++j;
            if (j >= p.size()) badPattern(pattern);
            if (j == start && !e.negated) {   // "[]" matches nothing at all: zero characters
                i = j;
                continue;
            }
            for (int k = start; k < j; ++k) {
                char32_t lo = p[k], hi = p[k];
                if (k + 2 < j && p[k + 1] == U'-') {
                    hi = p[k + 2];
                    if (hi < lo) badPattern(pattern);
                    k += 2;
                }
                e.ranges << qMakePair(lo, hi);
            }
            i = j;
        } else {
            e.ch = c;
        }
        out << e;
    }
    return out;
}

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool matchOne(const Element& e, char32_t c)
{
    switch (e.kind) {
    case Kind::Any: return true;
    case Kind::Digit: return isDigit(c);
    case Kind::Literal: return e.ch == c;
    case Kind::Set: {
        bool in = false;
        for (const auto& r : e.ranges)
            if (c >= r.first && c <= r.second) { in = true; break; }
        return in != e.negated;
    }
    default: return false;
    }
}

} // namespace

LikePattern::LikePattern(const QString& pattern) : m_elements(compile(pattern)) {}

bool Like(const QString& text, const QString& pattern)
{
    return LikePattern(pattern).matches(text);
}

bool LikePattern::matches(const QString& text) const
{
    const QVector<Element>& p = m_elements;
    const QVector<char32_t> t = codePoints(caseFold(text));
    // Greedy matching, going back to the last "*" on a mismatch.
    int ti = 0, pi = 0, starP = -1, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi].kind != Kind::Star && matchOne(p[pi], t[ti])) {
            ++ti;
            ++pi;
        } else if (pi < p.size() && p[pi].kind == Kind::Star) {
            starP = pi++;
            starT = ti;
        } else if (starP >= 0) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi].kind == Kind::Star) ++pi;
    return pi == p.size();
}

} // namespace vb
