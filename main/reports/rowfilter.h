#pragma once
// The report row filter's decisions, apart from the list: a column's distinct texts and the
// comparison of a cell with a value, as text or as numbers. QtCore only.
//
//   RowCondition c(QStringLiteral(">="), QStringLiteral("1,000"), true);
//   bool keep = c.passes(QStringLiteral("1200"));      // raises 13 for a cell that is no number
#include "platform/core/like.h"
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace ostrel {

// Texts compared as the filter compares them: letter case ignored, in the collation of the
// user's locale. -1, 0 or 1.
int CompareReportText(const QString& a, const QString& b);

// A number as the user writes it in the locale (group separators allowed, blanks around
// ignored). Raises error 13 for an empty text or one that is no number.
double ReportNumber(const QString& text);
// A number's text with its sign position: a blank before a number not below zero,
// "-" before a negative one (" 12", "-3.5").
QString SignedNumberText(double value);

// The distinct texts of a column, ascending with case ignored; of texts that differ only in
// case the one met first is kept.
class DistinctTexts {
public:
    void add(const QString& text);
    QStringList values() const;

private:
    struct Less {
        bool operator()(const QString& a, const QString& b) const { return CompareReportText(a, b) < 0; }
    };
    QSet<QString> m_seen;                      // exact texts met, to skip repeats cheaply
    std::map<QString, QString, Less> m_sorted; // one entry per text, case ignored
};

// A comparison of a cell with a value by an operator ("=", ">", "<", ">=", "<=", "<>",
// "LIKE", case ignored), as text or as numbers. Unknown operator: error 5.
class RowCondition {
public:
    RowCondition(const QString& opera, const QString& value, bool asNumbers);
    // Whether the cell satisfies it; in number mode a cell that is no number raises 13.
    bool passes(const QString& cell) const;

private:
    enum Op { Eq, Gt, Lt, Ge, Le, Ne, Like } m_op;
    QString m_value;
    std::optional<vb::LikePattern> m_pattern; // with LIKE: the value read once
    bool m_numbers;
    double m_number = 0;
};

} // namespace ostrel
