#pragma once
// One bounded retry for a database another connection holds locked (error 3228):
// a few attempts with a growing pause, then the error goes to the caller.
//
//   const QString v = dao::retryLocked([&] { return readIt(); });
#include "platform/dao/dao.h"
#include <QThread>

namespace dao {

constexpr int kLockedAttempts = 5;

template <typename F>
auto retryLocked(F&& body) -> decltype(body())
{
    for (int attempt = 1;; ++attempt) {
        try {
            return body();
        } catch (const vb::Error& e) {
            if (e.number() != err::Locked || attempt >= kLockedAttempts)
                throw;
        }
        QThread::msleep(50u * unsigned(attempt));
    }
}

} // namespace dao
