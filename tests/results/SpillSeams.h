#pragma once

#include "io/ScratchFile.h"
#include "results/ResultsTable.h"

namespace tamsenor::testing {

// Makes every results table move its rows out once they hold more than
// `bytes`, for as long as it lives.
class SpillBound {
public:
    explicit SpillBound(long long bytes) { SetSpillBoundForTesting(bytes); }
    ~SpillBound() { SetSpillBoundForTesting(-1); }
    SpillBound(const SpillBound&) = delete;
    SpillBound& operator=(const SpillBound&) = delete;
};

// Makes the results' temporary files fail after `bytes` bytes for as long as it lives.
class SpillFailureAfter {
public:
    explicit SpillFailureAfter(std::int64_t bytes) { io::SetScratchFailureAfterBytesForTesting(bytes); }
    ~SpillFailureAfter() { io::SetScratchFailureAfterBytesForTesting(-1); }
    SpillFailureAfter(const SpillFailureAfter&) = delete;
    SpillFailureAfter& operator=(const SpillFailureAfter&) = delete;
};

} // namespace tamsenor::testing
