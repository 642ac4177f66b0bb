#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// A broken invariant ends the fuzzing run with the failing input saved.
#define FUZZ_CHECK(condition, what)                                                                                    \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", std::string(what).c_str(), __FILE__, __LINE__);  \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
