// What every fuzz target shares: a check that stops the run on a broken
// invariant, so libFuzzer keeps the input as a crash like any sanitizer's.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace zv::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

// With ZV_FUZZ_TRACE set, harnesses tell what an input does, step by step:
// the way to read a crash's input before it becomes a regular test.
inline bool Tracing() {
    static const bool on = std::getenv("ZV_FUZZ_TRACE") != nullptr;
    return on;
}

inline void Trace(const char* format, ...) {
    if (!Tracing()) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

}  // namespace zv::fuzz

#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::zv::fuzz::Fail(#cond, __FILE__, __LINE__))
