#pragma once

#include "io/FileResult.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamsenor::io {

// A file for bytes that do not fit in memory, gone as soon as it is closed or
// the program ends, however it ends: it is made without a name (O_TMPFILE)
// where the file system allows, otherwise under a short hidden name (".tmsn-"
// and six characters) that is removed right after it was made. Bytes are
// appended and read back from any place.
// Example: open("/tmp"), append("ab"), append("c"), readAt(1, buffer, 2) -> "bc".
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(ScratchFile&& other) noexcept;
    ScratchFile& operator=(ScratchFile&& other) noexcept;

    // Makes the file in `folder`; fails with the system's reason (no such
    // folder, no permission to write there).
    FileResult open(const std::string& folder);
    bool isOpen() const { return fd_ >= 0; }

    // Appends every byte or fails (a full disk, a file-size limit); after a
    // failure the file's end is unknown and it must not be read as whole.
    FileResult append(std::string_view bytes);

    // Reads exactly `length` bytes from `offset`; a file that ends sooner fails.
    FileResult readAt(std::int64_t offset, char* buffer, std::size_t length) const;

    // The bytes appended so far.
    std::int64_t size() const { return size_; }

    void close();

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
};

// Test seam: when set, a ScratchFile fails to append past this many bytes as
// if the disk were full (ENOSPC). Negative means off.
void SetScratchFailureAfterBytesForTesting(std::int64_t bytes);

} // namespace tamsenor::io
