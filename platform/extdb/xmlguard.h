#pragma once
// Watches the bytes of an XML part on their way to QXmlStreamReader, whose work grows with
// the square of an element's attributes (it compares each with every one before it) and
// with the namespace declarations in scope (it looks each prefix up among them all).
// It compares too the namespaces of attributes of one local name, holds a text or a markup
// whole, and keeps each open element. Refuses a document type declaration (no part of a
// workbook may hold one), an element with more than kMaxAttributes attributes or two of one
// local name, more than kMaxNamespaces declarations in scope at once, a text or markup of
// more than kMaxToken bytes, and an element nested deeper than kMaxDepth, so that the
// reader's work and memory stay in proportion to the part. It sees the bytes before the
// reader does: what it refuses never reaches the reader.
#include <QByteArrayView>
#include <QString>
#include <array>
#include <vector>

namespace extdb {

class XmlGuard {
public:
    static constexpr int kMaxAttributes = 64;
    static constexpr int kMaxNamespaces = 64;
    static constexpr qint64 kMaxToken = 4 << 20;
    // Workbooks' parts nest a dozen levels at most.
    static constexpr int kMaxDepth = 256;

    // Reads on through the next bytes of the part: what is wrong with it, empty while
    // nothing is.
    QString feed(QByteArrayView bytes);
    // The refusal of a text or markup longer than kMaxToken.
    static QString tooLong();
    // The refusal of an element nested deeper than kMaxDepth.
    static QString tooDeep();

private:
    // Whether an attribute of the element has had the local name of hash before.
    bool seen(quint64 hash);

    enum State { Text, Open, Tag, Quoted, Bang, Comment, CData, Pi, EndTag };
    // Reads on through one character (a UTF-16 code unit, or a byte of UTF-8).
    void step(char16_t c);

    bool m_started = false;
    int m_unitBytes = 1;      // 2: UTF-16, its byte order in m_bigEndian
    bool m_bigEndian = false;
    int m_pendingByte = -1;   // the first byte of a UTF-16 unit split between reads
    State m_state = Text;
    char16_t m_quote = 0;
    char16_t m_previous = 0;
    int m_run = 0;            // '-', ']' or '?' just before, or the part of "--" or "[CDATA[" matched
    bool m_cdata = false;
    int m_attributes = 0, m_declarations = 0;
    int m_nameAt = 0;         // how much of an attribute's name matches "xmlns"; -1: none
    bool m_inName = false;
    bool m_lastDeclares = false;   // the name before '=' declares a namespace
    int m_inScope = 0;
    std::vector<int> m_open;  // the declarations of each open element
    qint64 m_token = 0;       // bytes of the text or markup being read
    quint64 m_hash = 0;       // of the local name being read
    // The local names of the element's attributes, by hash; those of an earlier element
    // have another generation.
    std::array<quint64, 2 * kMaxAttributes> m_names{};
    std::array<quint32, 2 * kMaxAttributes> m_generations{};
    quint32 m_generation = 0;
    QString m_failure;
};

} // namespace extdb
