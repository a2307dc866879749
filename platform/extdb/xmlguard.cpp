#include "platform/extdb/xmlguard.h"
#include <cstring>

namespace extdb {

QString XmlGuard::feed(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    if (!m_started && n >= 2) {
        // UTF-16 starts with its byte order mark or with '<' in two bytes.
        const uchar a = uchar(p[0]), b = uchar(p[1]);
        m_bigEndian = (a == 0xFE && b == 0xFF) || (a == 0 && b == '<');
        m_unitBytes = m_bigEndian || (a == 0xFF && b == 0xFE) || (a == '<' && b == 0) ? 2 : 1;
        m_started = true;
    }
    for (qsizetype i = 0; i < n && m_failure.isEmpty(); ++i) {
        if (m_unitBytes == 1) {
            if (m_state == Text) {
                const void* open = memchr(p + i, '<', size_t(n - i));
                const qsizetype to = open ? static_cast<const char*>(open) - p : n;
                m_token += to - i;
                if (m_token > kMaxToken)
                    m_failure = tooLong();
                if (!open)
                    break;
                i = to;
            }
            step(uchar(p[i]));
        } else if (m_pendingByte < 0) {
            m_pendingByte = uchar(p[i]);
        } else {
            const uchar b = uchar(p[i]);
            step(char16_t(m_bigEndian ? m_pendingByte << 8 | b : b << 8 | m_pendingByte));
            m_pendingByte = -1;
        }
    }
    return m_failure;
}

QString XmlGuard::tooLong() { return QStringLiteral("有长于 %1 字节的文本或标记").arg(kMaxToken); }

QString XmlGuard::tooDeep() { return QStringLiteral("有嵌套深于 %1 层的元素").arg(kMaxDepth); }

bool XmlGuard::seen(quint64 hash)
{
    for (size_t i = hash % m_names.size();; i = (i + 1) % m_names.size()) {
        if (m_generations[i] != m_generation) {
            m_generations[i] = m_generation;
            m_names[i] = hash;
            return false;
        }
        if (m_names[i] == hash)
            return true;
    }
}

void XmlGuard::step(char16_t c)
{
    static const char16_t kDeclaration[] = u"xmlns";
    constexpr quint64 kHashStart = 14695981039346656037ull, kHashStep = 1099511628211ull;
    const bool space = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    m_token = m_state == Text && c == u'<' ? m_unitBytes : m_token + m_unitBytes;
    if (m_token > kMaxToken)
        m_failure = tooLong();
    switch (m_state) {
    case Text:
        if (c == u'<')
            m_state = Open;
        break;
    case Open:
        m_run = 0;
        if (c == u'/') {
            m_state = EndTag;
        } else if (c == u'!') {
            m_state = Bang;
        } else if (c == u'?') {
            m_state = Pi;
        } else {
            // The element's name, never a declaration.
            if (m_open.size() >= size_t(kMaxDepth))
                m_failure = tooDeep();
            m_state = Tag;
            m_attributes = m_declarations = 0;
            if (++m_generation == 0)
                m_generations.fill(0), m_generation = 1;
            m_inName = true;
            m_nameAt = -1;
            m_lastDeclares = false;
        }
        break;
    case Tag:
        if (c == u'"' || c == u'\'') {
            m_state = Quoted;
            m_quote = c;
        } else if (c == u'>') {
            if (m_inScope + m_declarations > kMaxNamespaces)
                m_failure = QStringLiteral("同时有效的命名空间声明多于 %1 个").arg(kMaxNamespaces);
            if (m_previous != u'/') {
                m_open.push_back(m_declarations);
                m_inScope += m_declarations;
            }
            m_state = Text;
            m_token = 0;
        } else if (space || c == u'=') {
            if (m_inName)
                m_lastDeclares = m_nameAt == 5;
            m_inName = false;
            if (c == u'=') {
                if (++m_attributes > kMaxAttributes)
                    m_failure = QStringLiteral("有元素的属性多于 %1 个").arg(kMaxAttributes);
                else if (!m_lastDeclares && seen(m_hash))
                    m_failure = QStringLiteral("有元素的两个属性本地名相同");
                m_declarations += m_lastDeclares;
                m_lastDeclares = false;
            }
        } else {
            if (!m_inName) {
                m_inName = true;
                m_nameAt = 0;
                m_hash = kHashStart;
            }
            m_hash = c == u':' ? kHashStart : (m_hash ^ c) * kHashStep;
            if (m_nameAt >= 0 && m_nameAt < 5)
                m_nameAt = c == kDeclaration[m_nameAt] ? m_nameAt + 1 : -1;
        }
        break;
    case Quoted:
        if (c == m_quote)
            m_state = Tag;
        break;
    case EndTag:
        if (c == u'>') {
            if (!m_open.empty()) {
                m_inScope -= m_open.back();
                m_open.pop_back();
            }
            m_state = Text;
            m_token = 0;
        }
        break;
    case Bang: {
        // "<!--" or "<![CDATA["; anything else declares a document type.
        if (m_run == 0)
            m_cdata = c == u'[';
        const char16_t* wanted = m_cdata ? u"[CDATA[" : u"--";
        if (c != wanted[m_run]) {
            m_failure = QStringLiteral("含有文档类型声明");
        } else if (wanted[++m_run] == 0) {
            m_state = m_cdata ? CData : Comment;
            m_run = 0;
        }
        break;
    }
    case Comment:
    case CData:
    case Pi: {
        // Ends at "-->", "]]>" or "?>".
        const char16_t last = m_state == Comment ? u'-' : m_state == CData ? u']' : u'?';
        if (c == u'>' && m_run >= (m_state == Pi ? 1 : 2)) {
            m_state = Text;
            m_token = 0;
        }
        m_run = c == last ? m_run + 1 : 0;
        break;
    }
    }
    m_previous = c;
}

} // namespace extdb
