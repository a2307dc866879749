#pragma once
// The strict plain XML reader of workbook parts, read as they stream by (see PlainXml).
#include "platform/extdb/xmlguard.h"
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QString>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace extdb {

// Thrown where PlainXml meets what it leaves to QXmlStreamReader.
struct NotPlain {};
[[noreturn]] inline void notPlain() { throw NotPlain(); }

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Where c is in bytes from from on; -1 if nowhere.
inline qsizetype find(QByteArrayView bytes, char c, qsizetype from = 0)
{
    if (bytes.size() - from < 32) {
        for (qsizetype i = from; i < bytes.size(); ++i)
            if (bytes[i] == c)
                return i;
        return -1;
    }
    const void* at = memchr(bytes.data() + from, c, size_t(bytes.size() - from));
    return at ? static_cast<const char*>(at) - bytes.data() : -1;
}

template <size_t N>
bool equals(QByteArrayView bytes, const char (&text)[N])
{
    return bytes.size() == qsizetype(N - 1) && memcmp(bytes.data(), text, N - 1) == 0;
}

inline bool isXmlChar(char32_t u)
{
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD) ||
           (u >= 0x10000 && u <= 0x10FFFF);
}

// Reads p on through well-formed UTF-8 of characters XML allows, up to end or, unless
// atEnd, to a character cut short at end. False where it meets anything else.
inline bool isXmlText(const uchar*& p, const uchar* end, bool atEnd)
{
    while (p < end) {
        // Eight bytes at a time while none is a control character or past ASCII.
        for (quint64 w; end - p >= 8; p += 8) {
            memcpy(&w, p, 8);
            if ((w | (w - 0x2020202020202020ull)) & 0x8080808080808080ull)
                break;
        }
        if (p == end)
            break;
        const uchar c = *p;
        if (c < 0x80) {
            if (c < 0x20 && !isSpace(char(c)))
                return false;
            ++p;
            continue;
        }
        int n = 0;
        char32_t u = 0;
        if ((c & 0xE0) == 0xC0)
            n = 1, u = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            n = 2, u = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            n = 3, u = c & 0x07;
        else
            return false;
        if (end - p <= n)
            return !atEnd;
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            u = (u << 6) | (p[i] & 0x3F);
        }
        static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (u < least[n] || !isXmlChar(u))
            return false;
        p += n + 1;
    }
    return true;
}

// Where PlainXml reads a part: its bytes from the first, a piece at a time.
class XmlInput {
public:
    virtual ~XmlInput() = default;
    // Up to n more bytes into to; 0 at the end. Raises what keeps it from reading.
    virtual qint64 read(char* to, qint64 n) = 0;
    // Back to the first byte.
    virtual void rewind() = 0;
    // Raises the refusal of the part for what.
    [[noreturn]] virtual void refuse(const QString& what) = 0;
};

// A strict reader of the XML sheets are written in, read as it streams by through a window
// that holds any text or markup up to XmlGuard::kMaxToken bytes (a longer one is refused,
// as is an element nested deeper than XmlGuard::kMaxDepth):
// UTF-8, elements, attributes, text and the predefined and numeric references. Whatever
// else it meets (comments, CDATA, a doctype, undeclared prefixes, any fault) throws
// NotPlain for QXmlStreamReader to read and judge instead. What it gives (names, text,
// attributes) holds until the next call of next().
class PlainXml {
public:
    enum Token { Start, End, Text, Done };

    explicit PlainXml(XmlInput& input) : m_input(input) { start(); }

    void restart()
    {
        m_input.rewind();
        start();
    }

    Token next()
    {
        if (m_selfClosed) {
            m_selfClosed = false;
            return close();
        }
        for (fill(); m_p < m_end && *m_p != '<'; fill()) {
            const char* from = m_p;
            m_p = static_cast<const char*>(memchr(m_p, '<', size_t(m_end - m_p)));
            if (!m_p && !m_eof)
                tooLong();
            if (!m_p)
                m_p = m_end;
            if (m_p - from > XmlGuard::kMaxToken)
                tooLong();
            m_text = QByteArrayView(from, m_p - from);
            if (!m_open.empty()) {
                checkReferences(m_text);
                if (find(m_text, ']') >= 0 && m_text.indexOf("]]>") >= 0)
                    notPlain();
                return Text;
            }
            for (char c : m_text)
                if (!isSpace(c))
                    notPlain();
        }
        if (m_p == m_end) {
            if (!m_open.empty() || !m_rootDone)
                notPlain();
            return Done;
        }
        const char* from = m_p;
        if (++m_p == m_end)
            fault();
        if (*m_p == '/') {
            ++m_p;
            const QByteArrayView name = readName();
            skipSpace();
            expect('>');
            if (m_open.empty() || openName(m_open.size() - 1) != name)
                notPlain();
            return close();
        }
        if (m_rootDone)
            notPlain();
        const Token t = open();
        if (m_p - from > XmlGuard::kMaxToken)
            tooLong();
        return t;
    }

    // What lies ahead of the reader, as far as its window holds it (more than
    // XmlGuard::kMaxToken bytes unless the part ends sooner), and skipping it: for a caller
    // that takes a whole element of a known plain form itself, within the root.
    QByteArrayView ahead()
    {
        if (m_selfClosed)
            return {};
        fill();
        return QByteArrayView(m_p, m_end - m_p);
    }
    void skip(qsizetype n) { m_p += n; }
    // How many elements are open.
    size_t depth() const { return m_open.size(); }

    // The local name of the element just started or ended.
    QByteArrayView name() const { return m_name; }
    template <size_t N>
    bool named(const char (&name)[N]) const { return equals(m_name, name); }
    // Text just read, as written.
    QByteArrayView text() const { return m_text; }

    // An attribute of the element just started, by qualified name; empty when absent.
    // Values are given as written, so one needing a reference decoded or white space
    // normalised is not plain.
    template <size_t N>
    QByteArrayView attribute(const char (&name)[N]) const
    {
        for (const auto& [n, v] : m_attributes)
            if (equals(n, name)) {
                for (char c : v)
                    if (c == '&' || isSpace(c))
                        notPlain();
                return v;
            }
        return {};
    }

    // Text as QXmlStreamReader gives it, appended to out.
    static void decode(QByteArrayView raw, QString& out)
    {
        if (find(raw, '\r') >= 0)
            notPlain();
        qsizetype from = 0;
        for (qsizetype amp = find(raw, '&'); amp >= 0; amp = find(raw, '&', from)) {
            appendUtf8(raw.sliced(from, amp - from), out);
            const qsizetype semi = find(raw, ';', amp);
            if (semi < 0)
                notPlain();
            const char32_t u = reference(raw.sliced(amp + 1, semi - amp - 1));
            out += QStringView(QString::fromUcs4(&u, 1));
            from = semi + 1;
        }
        appendUtf8(raw.sliced(from), out);
    }
    static QString decode(QByteArrayView raw)
    {
        QString out;
        decode(raw, out);
        return out;
    }

    static void appendUtf8(QByteArrayView bytes, QString& out)
    {
        for (char c : bytes)
            if (uchar(c) >= 0x80) {
                out += QString::fromUtf8(bytes);
                return;
            }
        const qsizetype at = out.size();
        out.resize(at + bytes.size());
        char16_t* to = reinterpret_cast<char16_t*>(out.data()) + at;
        for (char c : bytes)
            *to++ = char16_t(c);
    }

private:
    void start()
    {
        m_p = m_end = m_buffer.constData();
        m_checked = 0;
        m_eof = false;
        fill();
        if (QByteArrayView(m_p, m_end - m_p).startsWith("\xEF\xBB\xBF"))
            m_p += 3;
        m_open.clear();
        m_names.clear();
        m_prefixes.clear();
        m_inScope.clear();
        m_selfClosed = m_rootDone = false;
        if (QByteArrayView(m_p, m_end - m_p).startsWith("<?xml"))
            declaration();
    }

    // Makes the window hold more than XmlGuard::kMaxToken bytes from m_p, or all the rest
    // of the part; what it reads in is checked to be XML text.
    void fill()
    {
        if (m_eof || m_end - m_p > XmlGuard::kMaxToken)
            return;
        const qsizetype from = m_p - m_buffer.constData();
        qsizetype have = m_end - m_p;
        if (from > 0 && have > 0)
            memmove(m_buffer.data(), m_p, size_t(have));
        m_checked = qMax<qsizetype>(m_checked - from, 0);
        // Read on to twice that, so that what is moved is never more than what was read.
        constexpr qsizetype kPiece = 1 << 16;
        while (!m_eof && have <= 2 * XmlGuard::kMaxToken) {
            if (m_buffer.size() - have < kPiece)
                m_buffer.resize(qMax(2 * m_buffer.size(), have + kPiece));
            const qint64 n = m_input.read(m_buffer.data() + have, m_buffer.size() - have);
            m_eof = n <= 0;
            have += qMax<qint64>(n, 0);
        }
        m_p = m_buffer.constData();
        m_end = m_p + have;
        const auto* begin = reinterpret_cast<const uchar*>(m_p);
        const uchar* checked = begin + m_checked;
        if (!isXmlText(checked, reinterpret_cast<const uchar*>(m_end), m_eof))
            notPlain();
        m_checked = checked - begin;
    }

    [[noreturn]] void tooLong()
    {
        m_input.refuse(XmlGuard::tooLong());
        notPlain();   // refuse() raises
    }
    // What stops a token: the end of the window before the part's is a token too long.
    [[noreturn]] void fault()
    {
        if (m_p >= m_end && !m_eof)
            tooLong();
        notPlain();
    }

    QByteArrayView openName(size_t i) const
    {
        return QByteArrayView(m_names.data() + m_open[i].first, m_open[i].second);
    }
    static QByteArrayView local(QByteArrayView qualified)
    {
        const qsizetype colon = find(qualified, ':');
        return colon < 0 ? qualified : qualified.sliced(colon + 1);
    }

    // The character a reference (between '&' and ';') stands for.
    static char32_t reference(QByteArrayView r)
    {
        if (r == "amp")
            return '&';
        if (r == "lt")
            return '<';
        if (r == "gt")
            return '>';
        if (r == "quot")
            return '"';
        if (r == "apos")
            return '\'';
        const bool hex = r.startsWith("#x");
        if (!r.startsWith('#') || r.size() < (hex ? 3 : 2) || r.size() > 10)
            notPlain();
        char32_t u = 0;
        for (char c : r.sliced(hex ? 2 : 1)) {
            int d = c >= '0' && c <= '9' ? c - '0' : -1;
            if (hex && d < 0)
                d = c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0)
                notPlain();
            u = u * (hex ? 16 : 10) + char32_t(d);
            if (u > 0x10FFFF)
                notPlain();
        }
        if (!isXmlChar(u))
            notPlain();
        return u;
    }

    static void checkReferences(QByteArrayView raw)
    {
        for (qsizetype amp = find(raw, '&'); amp >= 0; amp = find(raw, '&', amp + 1)) {
            const qsizetype semi = find(raw, ';', amp);
            if (semi < 0)
                notPlain();
            reference(raw.sliced(amp + 1, semi - amp - 1));
        }
    }

    bool skipSpace()
    {
        const char* from = m_p;
        while (m_p < m_end && isSpace(*m_p))
            ++m_p;
        return m_p != from;
    }

    void expect(char c)
    {
        if (m_p == m_end || *m_p != c)
            fault();
        ++m_p;
    }

    // A name of ASCII letters, digits, '_', '-', '.', with at most one ':' inside.
    QByteArrayView readName()
    {
        const char* from = m_p;
        int colons = 0;
        while (m_p < m_end) {
            const char c = *m_p;
            const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
            if (m_p == from ? !letter : !(letter || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'))
                break;
            colons += c == ':';
            ++m_p;
        }
        const QByteArrayView name(from, m_p - from);
        if (name.isEmpty() || colons > 1 || name.endsWith(':'))
            fault();
        return name;
    }

    QByteArrayView readValue()
    {
        if (m_p == m_end || (*m_p != '"' && *m_p != '\''))
            fault();
        const char quote = *m_p++;
        const char* from = m_p;
        while (m_p < m_end && *m_p != quote) {
            if (*m_p == '<')
                notPlain();
            ++m_p;
        }
        const QByteArrayView value(from, m_p - from);
        expect(quote);
        checkReferences(value);
        return value;
    }

    bool declared(QByteArrayView qualified) const
    {
        const qsizetype colon = find(qualified, ':');
        if (colon < 0)
            return true;
        const QByteArrayView prefix = qualified.first(colon);
        return prefix == "xml" || m_inScope.contains(QByteArray::fromRawData(prefix.data(), prefix.size()));
    }

    Token open()
    {
        if (m_open.size() >= size_t(XmlGuard::kMaxDepth))
            m_input.refuse(XmlGuard::tooDeep());
        const QByteArrayView name = readName();
        m_attributes.clear();
        for (;;) {
            const bool spaced = skipSpace();
            if (m_p < m_end && *m_p == '>') {
                ++m_p;
                break;
            }
            if (m_p < m_end && *m_p == '/') {
                ++m_p;
                expect('>');
                m_selfClosed = true;
                break;
            }
            if (!spaced)
                fault();
            const QByteArrayView attribute = readName();
            skipSpace();
            expect('=');
            skipSpace();
            m_attributes.push_back({attribute, readValue()});
        }
        // Prefixes declared here hold until the element ends; no attribute may repeat.
        const auto declaration = [](QByteArrayView n) {
            return n.size() >= 5 && memcmp(n.data(), "xmlns", 5) == 0 && (n.size() == 5 || n[5] == ':');
        };
        for (const auto& [n, v] : m_attributes)
            if (declaration(n) && n.size() > 5) {
                const QByteArrayView prefix = n.sliced(6);
                if (v.isEmpty() || prefix == "xml" || prefix == "xmlns")
                    notPlain();
                m_prefixes.push_back({prefix.toByteArray(), m_open.size()});
                ++m_inScope[m_prefixes.back().first];
            }
        if (!declared(name))
            notPlain();
        // A few attributes compared in pairs, many through a set: linear in their number.
        const auto key = [&](QByteArrayView n) { return declaration(n) ? n : local(n); };
        const bool few = m_attributes.size() <= 8;
        QSet<QByteArrayView> keys;
        if (!few)
            keys.reserve(qsizetype(m_attributes.size()));
        for (size_t i = 0; i < m_attributes.size(); ++i) {
            const QByteArrayView n = m_attributes[i].first, k = key(n);
            if (k == local(n) && !declared(n))
                notPlain();
            for (size_t j = 0; few && j < i; ++j)
                if (key(m_attributes[j].first) == k)
                    notPlain();
            if (!few && (keys.insert(k), keys.size() == qsizetype(i)))
                notPlain();
        }
        m_open.push_back({qsizetype(m_names.size()), name.size()});
        m_names.append(name.data(), size_t(name.size()));
        m_name = local(name);
        return Start;
    }

    Token close()
    {
        const QByteArrayView name = openName(m_open.size() - 1);
        m_closed.assign(name.data(), size_t(name.size()));
        m_name = local(QByteArrayView(m_closed.data(), qsizetype(m_closed.size())));
        m_names.resize(size_t(m_open.back().first));
        m_open.pop_back();
        while (!m_prefixes.empty() && m_prefixes.back().second >= m_open.size()) {
            if (--m_inScope[m_prefixes.back().first] == 0)
                m_inScope.remove(m_prefixes.back().first);
            m_prefixes.pop_back();
        }
        m_rootDone = m_open.empty();
        return End;
    }

    // <?xml version="1.0" encoding="UTF-8" standalone="yes"?>, encoding and standalone optional.
    void declaration()
    {
        m_p += 5;
        const char* names[] = {"version", "encoding", "standalone"};
        int at = 0;
        for (;;) {
            const bool spaced = skipSpace();
            if (m_p < m_end && *m_p == '?') {
                ++m_p;
                expect('>');
                break;
            }
            if (!spaced)
                fault();
            const QByteArrayView name = readName();
            while (at < 3 && name != names[at])
                ++at;
            skipSpace();
            expect('=');
            skipSpace();
            const QByteArrayView value = readValue();
            if (at == 3 || (at == 0 && value != "1.0") || (at == 1 && value.compare("utf-8", Qt::CaseInsensitive) != 0) ||
                (at == 2 && value != "yes" && value != "no"))
                notPlain();
            ++at;
        }
        if (at == 0)
            notPlain();
    }

    XmlInput& m_input;
    QByteArray m_buffer;     // the window
    const char* m_p = nullptr;
    const char* m_end = nullptr;
    qsizetype m_checked = 0;   // how much of the window has been checked
    bool m_eof = false;        // the window holds the end of the part
    QByteArrayView m_name, m_text;
    std::string m_names;       // qualified names of the open elements, one after another
    std::vector<std::pair<qsizetype, qsizetype>> m_open;   // where each is in m_names
    std::string m_closed;      // the name of the element just ended
    std::vector<std::pair<QByteArrayView, QByteArrayView>> m_attributes;
    std::vector<std::pair<QByteArray, size_t>> m_prefixes;   // declared, with the depth
    QHash<QByteArray, int> m_inScope;   // the declarations of each prefix in scope
    bool m_selfClosed = false;
    bool m_rootDone = false;
};

} // namespace extdb
