#include "io/Files.h"

#include "io/Paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tamsenor::io {

namespace {

std::atomic<std::int64_t> writeFailureAfterBytes { -1 };

FileResult failureFromErrno(int code)
{
    return FileResult::failure(ErrorText(code));
}

FileIdentity identityFrom(const struct stat& info)
{
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(info.st_dev);
    id.inode = static_cast<std::uint64_t>(info.st_ino);
    id.size = static_cast<std::int64_t>(info.st_size);
    id.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return id;
}

// Why an entry that is neither a regular file nor a directory is refused.
std::string notRegularReason(mode_t mode)
{
    const char* kind = S_ISFIFO(mode) ? "a named pipe (FIFO)"
        : S_ISCHR(mode)               ? "a character device"
        : S_ISBLK(mode)               ? "a block device"
        : S_ISSOCK(mode)              ? "a socket"
                                      : "no regular file";
    return std::string("it is ") + kind + ", not a regular file";
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

// Where the bytes must finally land: every symbolic link on the way is
// followed, a dangling one included, so that the link stays a link and the
// file it names gets the content. ELOOP after as many links as the system
// itself follows.
bool resolveTarget(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info { };
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0)
            return true; // let the open report it
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : DirectoryOf(target) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

// A short hidden name in `directory`: ".tmsn-" and six letters or digits.
// Short, so that a target name of up to 255 bytes still has a temporary.
std::string hiddenName(const std::string& directory)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random(std::random_device {}()
        ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::string name = directory + "/.tmsn-";
    for (int i = 0; i < 6; ++i)
        name += letters[random() % (sizeof letters - 1)];
    return name;
}

void syncDirectory(const std::string& directory)
{
    // The content is already in place; a failure to make the rename durable
    // is not worth reporting.
    int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    struct stat info { };
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return identityFrom(info);
}

ReadResult ReadRegularFile(
    const std::string& path, std::string& content, std::size_t maxLength, const std::function<bool()>& keepGoing)
{
    content.clear();
    ReadResult report;
    auto refuse = [&report](ReadResult::Status status, std::string reason) {
        report.status = status;
        report.reason = std::move(reason);
        return report;
    };
    if (path.empty())
        return refuse(ReadResult::Status::NotOpened, ErrorText(ENOENT));

    // Without O_NONBLOCK, opening a pipe that nobody writes to waits forever.
    Descriptor file;
    do {
        file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0) {
        // A socket does not open at all (ENXIO): say what it is instead.
        const int code = errno;
        struct stat info { };
        if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            return refuse(ReadResult::Status::NotOpened, notRegularReason(info.st_mode));
        return refuse(ReadResult::Status::NotOpened, ErrorText(code));
    }

    struct stat info { };
    if (::fstat(file.fd, &info) != 0)
        return refuse(ReadResult::Status::NotOpened, ErrorText(errno));
    if (S_ISDIR(info.st_mode))
        return refuse(ReadResult::Status::NotOpened, ErrorText(EISDIR));
    if (!S_ISREG(info.st_mode))
        return refuse(ReadResult::Status::NotOpened, notRegularReason(info.st_mode));
    // A little room beyond the file lets a caller put a line in front of it in
    // place (a string grown in place doubles its room).
    constexpr std::size_t Room = 4352;
    if (info.st_size > 0)
        content.reserve(std::min(static_cast<std::size_t>(info.st_size), maxLength) + Room);

    constexpr std::size_t Chunk = 1 << 20;
    std::size_t nextCheck = Chunk;
    char buffer[65536];
    for (;;) {
        // One byte past the limit tells a file of exactly maxLength bytes from a longer one.
        const std::size_t room = content.size() < maxLength ? maxLength - content.size() : 1;
        const ssize_t got = ::read(file.fd, buffer, std::min(sizeof buffer, room));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return refuse(ReadResult::Status::Failed, ErrorText(errno));
        }
        if (got == 0)
            break;
        if (content.size() >= maxLength) {
            report.truncated = true;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        if (keepGoing && content.size() >= nextCheck) {
            nextCheck = content.size() + Chunk;
            if (!keepGoing())
                return refuse(ReadResult::Status::Cancelled, {});
        }
    }
    if (file.release() != 0)
        return refuse(ReadResult::Status::Failed, ErrorText(errno));
    return report;
}

FileResult ReadWholeFile(const std::string& path, std::string& content)
{
    bool opened = false;
    return ReadWholeFile(path, content, opened);
}

FileResult ReadWholeFile(const std::string& path, std::string& content, bool& opened)
{
    const ReadResult read = ReadRegularFile(path, content);
    opened = read.status != ReadResult::Status::NotOpened;
    if (read.status != ReadResult::Status::Read)
        return FileResult::failure(read.reason);
    return FileResult::success();
}

ReplacingFile::~ReplacingFile()
{
    abandon();
}

void ReplacingFile::abandon()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

FileResult ReplacingFile::open(const std::string& path)
{
    abandon();
    replacement_ = {};
    bytesWritten_ = 0;
    if (path.empty())
        return failureFromErrno(ENOENT);

    std::string target;
    if (!resolveTarget(path, target))
        return failureFromErrno(errno);
    const std::string directory = DirectoryOf(target);

    struct stat existing { };
    targetExisted_ = ::lstat(target.c_str(), &existing) == 0;
    if (targetExisted_ && S_ISDIR(existing.st_mode))
        return failureFromErrno(EISDIR);
    if (targetExisted_ && !S_ISREG(existing.st_mode))
        return FileResult::failure(notRegularReason(existing.st_mode));

    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = hiddenName(directory);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST && errno != EINTR) {
            const int code = errno;
            temporary_.clear();
            return failureFromErrno(code);
        }
    }
    if (fd_ < 0) {
        temporary_.clear();
        return failureFromErrno(EEXIST);
    }
    if (targetExisted_) {
        // Best effort: a failure here loses no data.
        ::fchmod(fd_, existing.st_mode & 07777);
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            (void)!::fchown(fd_, existing.st_uid, existing.st_gid);
    }
    replacement_.target = target;
    return FileResult::success();
}

FileResult ReplacingFile::write(std::string_view bytes)
{
    if (fd_ < 0)
        return failureFromErrno(EBADF);
    if (const int code = WriteAllBytes(fd_, bytes, bytesWritten_, writeFailureAfterBytes.load()); code != 0) {
        abandon();
        return failureFromErrno(code);
    }
    bytesWritten_ += static_cast<std::int64_t>(bytes.size());
    return FileResult::success();
}

FileResult ReplacingFile::commit(bool keepReplaced, bool syncNewFile)
{
    if (fd_ < 0)
        return failureFromErrno(EBADF);
    auto fail = [this](int code) {
        abandon();
        return failureFromErrno(code);
    };
    // Checked again below: whatever was there at open, an existing file is
    // only ever replaced by bytes already on the disk.
    struct stat before { };
    const bool replacing = ::lstat(replacement_.target.c_str(), &before) == 0;
    const bool sync = syncNewFile || replacing;
    if (sync && ::fsync(fd_) != 0)
        return fail(errno);
    struct stat info { };
    if (::fstat(fd_, &info) != 0)
        return fail(errno);
    replacement_.written = identityFrom(info);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        return fail(errno);

    const std::string& target = replacement_.target;
    // The target may have changed since open: never rename over anything but
    // a regular file.
    struct stat existing { };
    const bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) {
        abandon();
        return FileResult::failure(notRegularReason(existing.st_mode));
    }

    bool movedAside = false;
    if (exists && keepReplaced) {
        // A hard link keeps the old file whole while the rename below replaces
        // the name in one step; where links are not supported the old file is
        // moved aside first.
        const std::string directory = DirectoryOf(target);
        int code = EEXIST;
        for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
            replacement_.keptAside = hiddenName(directory);
            code = ::link(target.c_str(), replacement_.keptAside.c_str()) == 0 ? 0 : errno;
        }
        if (code != 0) {
            code = EEXIST;
            for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
                replacement_.keptAside = hiddenName(directory);
                // renameat2 with RENAME_NOREPLACE is not everywhere; a plain
                // check is enough for a name of random letters.
                struct stat taken { };
                if (::lstat(replacement_.keptAside.c_str(), &taken) == 0)
                    continue;
                code = ::rename(target.c_str(), replacement_.keptAside.c_str()) == 0 ? 0 : errno;
            }
            if (code != 0) {
                replacement_.keptAside.clear();
                return fail(code);
            }
            movedAside = true;
        }
        replacement_.replaced = identityFrom(existing);
    }

    if (::rename(temporary_.c_str(), target.c_str()) != 0) {
        const int code = errno;
        if (!replacement_.keptAside.empty()) {
            if (movedAside && ::rename(replacement_.keptAside.c_str(), target.c_str()) != 0) {
                // The earlier file could not go back: say where it is rather than lose it.
                abandon();
                return FileResult::failure(ErrorText(code) + "; the earlier file is kept as " + replacement_.keptAside);
            }
            if (!movedAside)
                ::unlink(replacement_.keptAside.c_str());
            replacement_.keptAside.clear();
        }
        return fail(code);
    }
    temporary_.clear();
    if (sync)
        syncDirectory(DirectoryOf(target));
    return FileResult::success();
}

FileResult SyncFileSystem(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failureFromErrno(errno);
    const int synced = ::syncfs(fd);
    const int code = errno;
    ::close(fd);
    return synced == 0 ? FileResult::success() : failureFromErrno(code);
}

FileResult WriteWholeFile(const std::string& path, std::string_view content, Replacement* done, bool keepReplaced)
{
    ReplacingFile file;
    if (FileResult opened = file.open(path); !opened)
        return opened;
    if (FileResult written = file.write(content); !written)
        return written;
    if (FileResult committed = file.commit(keepReplaced); !committed)
        return committed;
    if (done)
        *done = file.replacement();
    return FileResult::success();
}

FileResult UndoReplacement(const Replacement& done)
{
    const std::optional<FileIdentity> now = IdentityOf(done.target);
    if (!now || *now != done.written)
        return FileResult::failure("it was changed by another program during the run");
    if (done.keptAside.empty()) {
        if (::unlink(done.target.c_str()) != 0)
            return failureFromErrno(errno);
        return FileResult::success();
    }
    const std::optional<FileIdentity> kept = IdentityOf(done.keptAside);
    if (!kept || !kept->sameFile(done.replaced))
        return FileResult::failure("the earlier file kept aside is no longer there");
    if (::rename(done.keptAside.c_str(), done.target.c_str()) != 0)
        return failureFromErrno(errno);
    return FileResult::success();
}

void DiscardKeptAside(const Replacement& done)
{
    if (done.keptAside.empty())
        return;
    const std::optional<FileIdentity> kept = IdentityOf(done.keptAside);
    if (kept && kept->sameFile(done.replaced))
        ::unlink(done.keptAside.c_str());
}

bool ForEachLine(std::string_view content, const std::function<bool(std::string_view line)>& each)
{
    std::size_t start = 0;
    for (std::size_t i = content.find('\r'); i != std::string_view::npos; i = content.find('\r', start)) {
        if (!each(content.substr(start, i - start)))
            return false;
        start = i + 1;
        if (start < content.size() && content[start] == '\n')
            ++start;
    }
    if (start < content.size())
        return each(content.substr(start));
    return true;
}

int WriteAllBytes(int fd, std::string_view bytes, std::int64_t already, std::int64_t limit)
{
    bool full = false;
    if (limit >= 0 && already + static_cast<std::int64_t>(bytes.size()) > limit) {
        bytes = bytes.substr(0, static_cast<std::size_t>(std::max<std::int64_t>(0, limit - already)));
        full = true;
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return full ? ENOSPC : 0;
}

std::vector<std::string> SplitLines(const std::string& content)
{
    std::vector<std::string> lines;
    ForEachLine(content, [&lines](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
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
