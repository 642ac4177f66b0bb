#pragma once

#include "results/ResultsExport.h"

#include <gtest/gtest.h>

#include <string>

namespace tamsenor {

// The bytes WriteResults gives for `results` in `format`; a failure to read
// rows back fails the test that asked.
inline std::string ResultsBytes(const RunResults& results, ResultsFormat format = ResultsFormat::Tsv)
{
    std::string content;
    const FileResult done = WriteResults(results, format, [&content](std::string_view bytes) {
        content.append(bytes);
        return FileResult::success();
    });
    EXPECT_TRUE(done.ok) << done.reason;
    return content;
}

} // namespace tamsenor
