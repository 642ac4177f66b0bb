#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tamsenor {

// The longest text a file gives: 2^31 - 1 characters.
inline constexpr std::size_t MaxTextLength = 2147483647;

// How reading a chosen file as text went.
struct TextRead {
    enum class Status {
        Read, // `text` holds the file (or its first maxLength bytes)
        NotOpened, // the file could not be opened; `reason` says why
        NotText, // opened, but it cannot be read as text to its end
        Cancelled, // the hook asked to stop during a long read
    };
    Status status = Status::Read;
    std::string reason; // the system's description, or why it is no text
    bool truncated = false; // longer than maxLength: only the first maxLength bytes were read
};

// Reads the whole file at `path` (local 8-bit bytes) into `text`, bytes
// unchanged. A zero-length file reads as empty text. A file longer than
// `maxLength` gives its first `maxLength` bytes and `truncated`. A file holding
// the end-of-text byte 0x1A before its last byte cannot be read as text to its
// end (NotText), nor can one whose reading fails part-way. `text` keeps what was
// read in every case. May throw std::bad_alloc.
// Anything but a regular file (a pipe, a device, a socket, whatever link
// leads there) is NotOpened, with the reason, and is never waited on.
// `keepGoing`, when given, runs after every mebibyte past the first; false
// stops the read (Cancelled).
// Example: "a\x1Ab" -> NotText; "ab\x1A" -> Read, text "ab\x1A".
TextRead ReadChosenFile(const std::string& path, std::string& text, std::size_t maxLength = MaxTextLength,
    const std::function<bool()>& keepGoing = {});

// The size of the file at `path` in bytes; nullopt (and errno's description in
// `reason`, when given) when it cannot be read.
std::optional<std::int64_t> ChosenFileSize(const std::string& path, std::string* reason = nullptr);

} // namespace tamsenor
