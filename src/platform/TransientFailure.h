#pragma once

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

namespace slabcal {

// A converter call that fails with one of these errors may well succeed when made again: a conversion that
// timed out, a reset the chip missed (EIO), a bus another driver holds for a moment (EBUSY), a result not
// ready yet (EAGAIN). Every driver repeats such a call within the same request, so that one glitch does not
// end sampling; any other error, or the last attempt's, is the call's answer.
inline constexpr int TransientAttempts = 3;
inline constexpr std::chrono::milliseconds TransientRetryPause{20};

[[nodiscard]] constexpr bool IsTransientError(int error) {
    return error == EIO || error == EAGAIN || error == EBUSY || error == ETIMEDOUT;
}

// Makes `call` (returning 0 or an errno) at most TransientAttempts times while it fails transiently; the
// last answer and the number of attempts made.
struct RetriedCall {
    int error = 0;
    int attempts = 0;
};
template <typename Call> [[nodiscard]] RetriedCall RetryTransient(Call&& call) {
    RetriedCall result;
    while (true) {
        result.error = call();
        ++result.attempts;
        if (!IsTransientError(result.error) || result.attempts == TransientAttempts)
            return result;
        std::this_thread::sleep_for(TransientRetryPause);
    }
}

// " (3 attempts)" after a problem that was retried, so the integrator knows it was no single glitch.
[[nodiscard]] inline std::string AttemptsNote(const RetriedCall& call) {
    return call.attempts > 1 ? " (" + std::to_string(call.attempts) + " attempts)" : std::string();
}

} // namespace slabcal
