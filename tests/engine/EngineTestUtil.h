#pragma once
// Helpers shared by the processor tests.
#include "engine/Errors.h"
#include "engine/MandelbrotProcessor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace quillon::test {

// Waits until the rendering has ended; fails the test (instead of hanging) after a generous limit.
inline ::testing::AssertionResult WaitIdle(const TProcessor& p, std::chrono::seconds limit = std::chrono::seconds(120))
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (p.Running()) {
        if (std::chrono::steady_clock::now() > until) return ::testing::AssertionFailure() << "rendering did not end";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ::testing::AssertionSuccess();
}

// Renders the whole image and waits for it.
inline ::testing::AssertionResult Render(TProcessor& p)
{
    p.Start();
    return WaitIdle(p);
}

template <class F>
std::string ErrorOf(F f)
{
    try {
        f();
    } catch (const EQuillonError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace quillon::test
