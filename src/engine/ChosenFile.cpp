#include "engine/ChosenFile.h"

#include "io/Files.h"

#include <cerrno>
#include <sys/stat.h>

namespace tamsenor {

namespace {

constexpr char EndOfText = '\x1A';

} // namespace

TextRead ReadChosenFile(
    const std::string& path, std::string& text, std::size_t maxLength, const std::function<bool()>& keepGoing)
{
    const io::ReadResult read = io::ReadRegularFile(path, text, maxLength, keepGoing);
    TextRead result;
    result.reason = read.reason;
    result.truncated = read.truncated;
    switch (read.status) {
    case io::ReadResult::Status::Read:
        break;
    case io::ReadResult::Status::NotOpened:
        result.status = TextRead::Status::NotOpened;
        return result;
    case io::ReadResult::Status::Failed:
        result.status = TextRead::Status::NotText;
        return result;
    case io::ReadResult::Status::Cancelled:
        result.status = TextRead::Status::Cancelled;
        return result;
    }

    // Text ends at the end-of-text byte; one that stands before the file's
    // last byte leaves the rest of the file unreadable as text.
    const std::size_t found = text.find(EndOfText);
    const bool beforeLastByte = found != std::string::npos && (result.truncated || found + 1 < text.size());
    if (beforeLastByte) {
        result.status = TextRead::Status::NotText;
        result.reason = "it holds the end-of-text byte 0x1A before its last byte";
    }
    return result;
}

std::optional<std::int64_t> ChosenFileSize(const std::string& path, std::string* reason)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        if (reason)
            *reason = io::ErrorText(errno);
        return std::nullopt;
    }
    return static_cast<std::int64_t>(info.st_size);
}

} // namespace tamsenor
