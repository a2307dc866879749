#pragma once
// The vb::Error a piece of code raises, here or in a child process.
#include "platform/core/vberror.h"
#include <gtest/gtest.h>
#include <functional>
#include <grp.h>
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

// f run in a child process, so that a crash fails the case rather than ending the run; as
// the user `as` where that is not this one, in the group `group` (or the number of `as`),
// with the number of `as` its one other group.
class Child {
public:
    explicit Child(const std::function<QString()>& f, uid_t as = ::geteuid(), gid_t group = gid_t(-1))
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            QByteArray said;
            try {
                const gid_t also = gid_t(as), primary = group == gid_t(-1) ? also : group;
                if (as != ::geteuid() && (::setgroups(1, &also) != 0 || ::setgid(primary) != 0 || ::setuid(as) != 0))
                    throw vb::Error(1, QStringLiteral("no setuid"));
                said = f().toUtf8();
            } catch (const vb::Error& e) {
                said = (QString::number(e.number()) + QLatin1Char(' ') + e.description()).toUtf8();
            }
            ::_exit(::write(out[1], said.constData(), size_t(said.size())) < 0);
        }
        ::close(out[1]);
        if (m_pid > 0)
            m_out = out[0];
        else
            ::close(out[0]);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { said(); }

    // The text f returned, or the number and description of the vb::Error it raised; a child
    // that ended by a signal, or could not say, fails the case.
    QString said()
    {
        if (m_out < 0)
            return m_said;
        QByteArray bytes;
        char buf[4096];
        for (ssize_t n; (n = ::read(m_out, buf, sizeof buf)) > 0;)
            bytes.append(buf, n);
        ::close(m_out);
        m_out = -1;
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        EXPECT_TRUE(!WIFSIGNALED(status) && WEXITSTATUS(status) == 0) << "the child ended by signal " << WTERMSIG(status);
        return m_said = QString::fromUtf8(bytes);
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    QString m_said = QStringLiteral("no child");
};

inline QString inChild(const std::function<QString()>& f, uid_t as = ::geteuid(), gid_t group = gid_t(-1))
{
    return Child(f, as, group).said();
}

} // namespace testutil
