#pragma once

#include <cstdio>
#include <cstdlib>

/// A broken invariant ends the run, so that libFuzzer keeps the input.
#define CHECK(condition)                                                                \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: CHECK(%s)\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                               \
        }                                                                               \
    } while (0)
