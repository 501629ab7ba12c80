#pragma once

#include <cstdio>
#include <cstdlib>

namespace kelmora::fuzz {

// A promise of the code under fuzzing that an input broke: the run ends with what broke, and
// libFuzzer keeps the input as a crash to replay.
inline void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

}  // namespace kelmora::fuzz
