#pragma once

#include <string>

namespace tamsenor {

// The outcome of a file operation: ok, or the reason it failed (the system's
// description of the error).
struct FileResult {
    bool ok = true;
    std::string reason;

    static FileResult success() { return {}; }
    static FileResult failure(std::string why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};

} // namespace tamsenor
