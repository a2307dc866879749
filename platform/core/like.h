#pragma once
// The runtime's Like operator, also the SQL LIKE of the database layer.
#include <QPair>
#include <QString>
#include <QVector>

namespace vb {

// A pattern of Like read once, to match many texts.
class LikePattern {
public:
    // Raises error 93 for a malformed pattern.
    explicit LikePattern(const QString& pattern);
    bool matches(const QString& text) const;

    enum class Kind { Literal, Any, Digit, Star, Set };
    struct Element {
        Kind kind = Kind::Literal;
        char32_t ch = 0;
        bool negated = false;
        QVector<QPair<char32_t, char32_t>> ranges;
    };

private:
    QVector<Element> m_elements;
};

// Whether `text` matches the Jet/VB pattern: "*" any run, "?" any one character,
// "#" one digit, "[abc]" / "[a-z]" one of, "[!abc]" none of; "[*]" etc. stand for
// themselves. Letter case is ignored (Unicode case folding). A malformed pattern
// ("[" without "]", a descending range) raises error 93.
bool Like(const QString& text, const QString& pattern);

// Full Unicode case folding ("ß" and "SS" fold alike): the one case-insensitive
// form used by Like and by the database's text comparisons.
QString caseFold(const QString& text);

} // namespace vb
