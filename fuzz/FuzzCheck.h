// A failed property stops the fuzzer with the input saved, like a crash. A check may fail on any
// thread: only the first stops the process, so that libFuzzer saves the input before it ends.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

[[noreturn]] inline void FuzzCheckFailed(const char* file, int line, const char* condition)
{
    static std::atomic<bool> failed{false};
    if (failed.exchange(true))
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
            FuzzCheckFailed(__FILE__, __LINE__, #condition);                                       \
    } while (false)
