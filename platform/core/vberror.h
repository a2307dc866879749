#pragma once
// The error every part of the system raises: a number, a description and a source.
#include <QString>
#include <exception>
#include <QByteArray>

namespace vb {

// The runtime's own error numbers that callers test for.
enum RuntimeError : int {
    errInvalidCall = 5,       // invalid procedure call or argument
    errOverflow = 6,
    errSubscript = 9,         // subscript out of range
    errTypeMismatch = 13,
    errBadFileName = 52,
    errFileNotFound = 53,
    errPermissionDenied = 70,
    errPathNotFound = 76,
    errObjectNotSet = 91,
    errCantCreateObject = 429,
    errKeyExists = 457,
};

// Component errors are this base plus the number of their message.
constexpr int vbObjectError = int(0x80040000u);
constexpr int componentError(int n) { return vbObjectError + n; }

class Error : public std::exception {
public:
    Error(int number, QString description, QString source = QString());
    // An error of the runtime with its standard text.
    static Error runtime(int number, const QString& source = QString());
    static QString runtimeText(int number);

    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    const QString& source() const { return m_source; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QString m_source;
    QByteArray m_what;
};

// Runs f and drops the error it raises: the step is optional, the caller goes on either way.
// True when f raised nothing.
template <typename F>
bool ignoring(F&& f)
{
    try {
        f();
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace vb
