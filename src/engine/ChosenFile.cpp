#include "engine/ChosenFile.h"

#include "io/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamsenor {

namespace {

constexpr char EndOfText = '\x1A';

// Closes the descriptor on every way out.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

TextRead Failed(TextRead::Status status, int code)
{
    TextRead result;
    result.status = status;
    result.reason = io::ErrorText(code);
    return result;
}

// Reads until the end of the file or until `text` holds `limit` bytes; 0 or errno.
int ReadUpTo(int fd, std::string& text, std::size_t limit)
{
    char buffer[65536];
    while (text.size() < limit) {
        const std::size_t wanted = std::min(sizeof buffer, limit - text.size());
        const ssize_t got = ::read(fd, buffer, wanted);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return 0;
}

} // namespace

TextRead ReadChosenFile(const std::string& path, std::string& text, std::size_t maxLength)
{
    text.clear();
    if (path.empty())
        return Failed(TextRead::Status::NotOpened, ENOENT);

    Descriptor file;
    do {
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        return Failed(TextRead::Status::NotOpened, errno);

    struct stat info { };
    if (::fstat(file.fd, &info) != 0)
        return Failed(TextRead::Status::NotOpened, errno);
    if (S_ISDIR(info.st_mode))
        return Failed(TextRead::Status::NotOpened, EISDIR);
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        text.reserve(std::min(static_cast<std::size_t>(info.st_size), maxLength));

    TextRead result;
    if (int code = ReadUpTo(file.fd, text, maxLength); code != 0)
        return Failed(TextRead::Status::NotText, code);
    if (text.size() == maxLength) {
        std::string probe;
        if (int code = ReadUpTo(file.fd, probe, 1); code != 0)
            return Failed(TextRead::Status::NotText, code);
        result.truncated = !probe.empty();
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
