#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace meldrix {

//! Runs `helper(t)` for t = 0..helpers-1 each on a thread of its own while `own()` runs on this
//! one, and returns when all have ended. A helper that throws sets `stop`; its exception is thrown
//! here once every thread has ended; `stop` is then as the threads left it. Returns the system's
//! words when a thread could not start: then `stop` is set, the helpers started have ended and
//! `own` has not run.
template <typename Helper, typename Own>
std::optional<std::string> RunWithHelpers(
    std::size_t helpers, std::atomic<bool>& stop, Helper&& helper, Own&& own)
{
    // Sets `stop` when an exception leaves: the workers end before they are joined.
    struct StopOnThrow {
        std::atomic<bool>& stop;
        int before = std::uncaught_exceptions();
        ~StopOnThrow()
        {
            if (std::uncaught_exceptions() > before)
                stop = true;
        }
    };
    std::vector<std::exception_ptr> failures(helpers);
    // Joining threads, stopped first: whatever leaves this scope, no worker outlives it.
    std::vector<std::jthread> workers;
    const StopOnThrow stopOnThrow { stop };
    workers.reserve(helpers);
    try {
        for (std::size_t t = 0; t < helpers; ++t)
            workers.emplace_back([&, t] {
                try {
                    helper(t);
                } catch (...) {
                    failures[t] = std::current_exception();
                    stop = true;
                }
            });
    } catch (const std::system_error& error) {
        stop = true;
        workers.clear();
        return error.what();
    }
    own();
    workers.clear();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
    return std::nullopt;
}

} // namespace meldrix
