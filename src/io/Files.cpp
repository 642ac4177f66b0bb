#include "io/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tamsenor::io {

namespace {

std::atomic<std::int64_t> writeFailureAfterBytes { -1 };
std::atomic<unsigned> temporaryCounter { 0 };

FileResult failureFromErrno(int code)
{
    return FileResult::failure(ErrorText(code));
}

// Closes a descriptor once, remembering whether it went well.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release()
    {
        int result = ::close(fd);
        fd = -1;
        return result;
    }
};

// Writes every byte, retrying after signals and short writes. The test seam
// stops the write at its limit with ENOSPC, like a full disk would.
int writeAll(int fd, const std::string& content)
{
    const std::int64_t limit = writeFailureAfterBytes.load();
    std::size_t done = 0;
    while (done < content.size()) {
        std::size_t chunk = content.size() - done;
        if (limit >= 0) {
            if (static_cast<std::int64_t>(done) >= limit)
                return ENOSPC;
            chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(limit) - done);
        }
        ssize_t written = ::write(fd, content.data() + done, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

// Where the bytes must finally land: a symbolic link is written through, so
// the link stays a link and its target gets the new content.
std::string resolveTarget(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

std::string directoryOf(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

FileResult ReadWholeFile(const std::string& path, std::string& content)
{
    bool opened = false;
    return ReadWholeFile(path, content, opened);
}

FileResult ReadWholeFile(const std::string& path, std::string& content, bool& opened)
{
    content.clear();
    opened = false;
    if (path.empty())
        return failureFromErrno(ENOENT);

    Descriptor file;
    do {
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        return failureFromErrno(errno);

    // A directory opens on POSIX but is no file to read.
    struct stat info { };
    if (::fstat(file.fd, &info) != 0)
        return failureFromErrno(errno);
    if (S_ISDIR(info.st_mode))
        return failureFromErrno(EISDIR);
    opened = true;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        content.reserve(static_cast<std::size_t>(info.st_size));

    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failureFromErrno(errno);
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    if (file.release() != 0)
        return failureFromErrno(errno);
    return FileResult::success();
}

FileResult WriteWholeFile(const std::string& path, const std::string& content)
{
    if (path.empty())
        return failureFromErrno(ENOENT);

    const std::string target = resolveTarget(path);
    const std::string directory = directoryOf(target);

    // The replaced file keeps its permissions; a new one gets the usual ones.
    struct stat existing { };
    const bool targetExists = ::stat(target.c_str(), &existing) == 0;
    if (targetExists && S_ISDIR(existing.st_mode))
        return failureFromErrno(EISDIR);

    Descriptor file;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
        temporary = directory + "/." + baseNameOf(target) + ".tmp-" + std::to_string(::getpid()) + "-"
            + std::to_string(temporaryCounter.fetch_add(1));
        file.fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file.fd < 0 && errno != EEXIST && errno != EINTR)
            return failureFromErrno(errno);
    }
    if (file.fd < 0)
        return failureFromErrno(EEXIST);

    auto fail = [&](int code) {
        if (file.fd >= 0)
            file.release();
        ::unlink(temporary.c_str());
        return failureFromErrno(code);
    };

    if (targetExists)
        ::fchmod(file.fd, existing.st_mode & 07777); // best effort: a failure here loses no data
    if (int code = writeAll(file.fd, content); code != 0)
        return fail(code);
    if (::fsync(file.fd) != 0)
        return fail(errno);
    if (file.release() != 0)
        return fail(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail(errno);

    // Make the rename itself durable; the content is already in place, so a
    // failure here is not worth reporting.
    int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return FileResult::success();
}

std::vector<std::string> SplitLines(const std::string& content)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\r')
            continue;
        lines.push_back(content.substr(start, i - start));
        if (i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        lines.push_back(content.substr(start));
    return lines;
}

std::string ErrorText(int code)
{
    return std::generic_category().message(code);
}

void SetWriteFailureAfterBytesForTesting(std::int64_t bytes)
{
    writeFailureAfterBytes.store(bytes);
}

} // namespace tamsenor::io
