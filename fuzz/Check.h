#pragma once

#include <cstdlib>

// A broken invariant is a finding: stop here, so libFuzzer keeps the input.
inline void check(bool ok) {
    if (!ok)
        std::abort();
}
