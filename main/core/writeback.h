#pragma once
// Writing back a row that a window showed, while other copies of the program may save the
// same row meanwhile: only the fields the user changed are written, the others keep what is
// stored; a field that another copy changed as well is put to the user before it is written.
//
//   ShownField f{label, shownValue, editedValue, storedWhenShown, storedNow};
//   WriteBack([&] { ...read the row...; if (conflicts) return them; ...write...; return {}; }, ask);
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>

namespace ostrel {

// A field the user changed that another copy changed too, as texts for the question.
struct FieldConflict {
    QString label;    // as the window shows it
    QString yours;    // what the user entered
    QString stored;   // what the other copy stored
};
using FieldConflicts = QVector<FieldConflict>;
// Asked with the fields both changed: true writes the user's values over them.
using ConfirmConflicts = std::function<bool(const FieldConflicts&)>;

// One field of a row a window writes back. Texts, dates and bytes compare as they are, numbers
// by value; Null and an empty text alike.
struct ShownField {
    QVariant shown;    // what the window showed
    QVariant edited;   // what it holds now
    QVariant seen;     // what was stored when the user last saw it
    QVariant stored;   // what is stored now
    // The user changed it: it is written.
    bool changedHere() const;
    // Another copy changed it to something else as well: the user is asked first.
    bool conflict() const;
};

// Runs attempt in a transaction until it writes. attempt reads the row and either writes it
// and returns no conflicts, or writes nothing and returns the fields both changed, having
// taken what is stored now as seen. Those go to confirm with no transaction open (no copy
// waits on the question); No ends it, nothing written: false.
bool WriteBack(const std::function<FieldConflicts()>& attempt, const ConfirmConflicts& confirm);

// The question that names each field, the user's value and the stored one.
QString ConflictQuestion(const FieldConflicts& conflicts);

} // namespace ostrel
