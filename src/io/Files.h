#pragma once

#include "io/FileResult.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tamsenor::io {

// Reads the whole file as bytes. On failure returns false with the reason.
FileResult ReadWholeFile(const std::string& path, std::string& content);

// As above, and tells apart a file that could not be opened (`opened` false:
// empty path, no such file, no access, a directory) from one whose reading
// failed part-way (`opened` true); `content` then holds the bytes read before
// the error.
FileResult ReadWholeFile(const std::string& path, std::string& content, bool& opened);

// Writes `content` to `path` so that a failure never leaves a file that
// claims success: the bytes go to a temporary file in the same directory,
// which is flushed and renamed over `path` only when everything was written.
// An existing file is replaced. On failure the temporary file is removed and
// `path` is left as it was.
FileResult WriteWholeFile(const std::string& path, const std::string& content);

// Splits text into lines the way text files are read here: a line ends at
// CR LF or at a lone CR; a lone LF is an ordinary character; the end of the
// text ends the last line, and a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& content);

// The system's description of errno `code`.
std::string ErrorText(int code);

// Test seam: when set, WriteWholeFile fails after this many bytes as if the
// disk were full (ENOSPC). Negative means off.
void SetWriteFailureAfterBytesForTesting(std::int64_t bytes);

} // namespace tamsenor::io
