#pragma once
// The vb::Error a piece of code raises.
#include "platform/core/vberror.h"
#include <gtest/gtest.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace testutil {

// Runs f and returns the error it raised; fails the test when it raised none.
inline vb::Error errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const vb::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return vb::Error(0, QString());
}

// Runs f in a child process, so that a crash fails the case rather than ending the run:
// the text f returns, or the number and description of the vb::Error it raises.
inline QString inChild(const std::function<QString()>& f)
{
    int out[2];
    if (::pipe(out) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        QByteArray said;
        try {
            said = f().toUtf8();
        } catch (const vb::Error& e) {
            said = (QString::number(e.number()) + QLatin1Char(' ') + e.description()).toUtf8();
        }
        ::_exit(::write(out[1], said.constData(), size_t(said.size())) < 0);
    }
    ::close(out[1]);
    QByteArray said;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        said.append(buf, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(WIFSIGNALED(status)) << "the child ended by signal " << WTERMSIG(status);
    return QString::fromUtf8(said);
}

} // namespace testutil
