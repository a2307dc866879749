#pragma once
// The vb::Error a piece of code raises.
#include "platform/core/vberror.h"
#include <gtest/gtest.h>
#include <functional>

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

} // namespace testutil
