#include "io/Files.h"

#include "io/Journal.h"
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

// A short hidden name: ".tmsn-" and six letters or digits. Short, so that a
// target name of up to 255 bytes still has a temporary.
std::string hiddenName()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random(std::random_device {}()
        ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::string name = ".tmsn-";
    for (int i = 0; i < 6; ++i)
        name += letters[random() % (sizeof letters - 1)];
    return name;
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
    if (!temporaryName_.empty()) {
        ::unlinkat(folder_, temporaryName_.c_str(), 0);
        temporaryName_.clear();
    }
    if (ownsFolder_ && folder_ >= 0)
        ::close(folder_);
    folder_ = -1;
    ownsFolder_ = false;
}

FileResult ReplacingFile::open(const std::string& path, Journal* journal)
{
    abandon();
    if (path.empty())
        return failureFromErrno(ENOENT);
    std::string target;
    if (!resolveTarget(path, target))
        return failureFromErrno(errno);
    const std::string directory = DirectoryOf(target);
    const int folder = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return failureFromErrno(errno);
    const std::size_t slash = target.rfind('/');
    return openIn(folder, true, directory, slash == std::string::npos ? target : target.substr(slash + 1), journal);
}

FileResult ReplacingFile::open(int folder, const std::string& folderPath, const std::string& name, Journal* journal)
{
    abandon();
    if (name.empty())
        return failureFromErrno(ENOENT);
    // A link of that name is written through, as a path would be.
    struct stat existing { };
    const bool exists = ::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISLNK(existing.st_mode))
        return open(folderPath + "/" + name, journal);
    if (!exists && errno == ENAMETOOLONG)
        return failureFromErrno(ENAMETOOLONG);
    return openIn(folder, false, folderPath, name, journal, exists ? &existing : nullptr, true);
}

FileResult ReplacingFile::openIn(int folder, bool ownsFolder, const std::string& folderPath, const std::string& name,
    Journal* journal, const struct stat* known, bool lookedUp)
{
    replacement_ = {};
    bytesWritten_ = 0;
    journal_ = journal;
    folder_ = folder;
    ownsFolder_ = ownsFolder;
    folderPath_ = folderPath;
    name_ = name;
    replacement_.target = (folderPath == "/" ? std::string() : folderPath) + "/" + name;
    auto fail = [this](int code) {
        abandon();
        return failureFromErrno(code);
    };

    struct stat existing { };
    if (known)
        existing = *known;
    targetExisted_ = lookedUp ? known != nullptr
                              : ::fstatat(folder_, name_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (targetExisted_ && S_ISDIR(existing.st_mode))
        return fail(EISDIR);
    if (targetExisted_ && !S_ISREG(existing.st_mode)) {
        abandon();
        return FileResult::failure(notRegularReason(existing.st_mode));
    }
    if (!lookedUp && !targetExisted_ && errno == ENAMETOOLONG)
        return fail(ENAMETOOLONG);

    // Unnamed until the commit: whatever ends the process, no half-written
    // file is left behind; where the file system cannot, a hidden name.
    do {
        fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return fail(errno);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporaryName_ = hiddenName();
        if (journal_)
            journal_->temporary(folderPath_ + "/" + temporaryName_);
        fd_ = ::openat(folder_, temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            const int code = errno;
            temporaryName_.clear();
            if (code != EEXIST && code != EINTR)
                return fail(code);
        }
    }
    if (fd_ < 0)
        return fail(EEXIST);
    if (targetExisted_) {
        // Best effort: a failure here loses no data.
        ::fchmod(fd_, existing.st_mode & 07777);
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            (void)!::fchown(fd_, existing.st_uid, existing.st_gid);
    }
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

namespace {

// Gives the unnamed file open as `fd` the name `name` in `folder`; fails with
// EEXIST rather than replace anything there. Through /proc where it is
// mounted; without it only a privileged process can.
int LinkUnnamedFile(int fd, int folder, const std::string& name)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    int code = ::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
    if (code == ENOENT)
        code = ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
    return code;
}

} // namespace

FileResult ReplacingFile::nameTemporary()
{
    if (!temporaryName_.empty())
        return FileResult::success();
    int code = EEXIST;
    for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
        temporaryName_ = hiddenName();
        if (journal_)
            journal_->temporary(folderPath_ + "/" + temporaryName_);
        code = LinkUnnamedFile(fd_, folder_, temporaryName_);
    }
    if (code != 0) {
        temporaryName_.clear();
        return failureFromErrno(code);
    }
    return FileResult::success();
}

// The bytes on the disk (when asked), and the written file's identity noted.
FileResult ReplacingFile::settleBytes(bool sync)
{
    int code = sync && ::fsync(fd_) != 0 ? errno : 0;
    struct stat info { };
    if (code == 0 && ::fstat(fd_, &info) != 0)
        code = errno;
    if (code != 0) {
        abandon();
        return failureFromErrno(code);
    }
    replacement_.written = identityFrom(info);
    return FileResult::success();
}

std::optional<FileResult> ReplacingFile::linkAsNewFile(bool sync)
{
    auto fail = [this](int code) {
        abandon();
        return failureFromErrno(code);
    };
    if (FileResult settled = settleBytes(sync); !settled)
        return settled;
    // Noted before the name exists, so that a crash right after the link
    // still lets the next run take this output back.
    if (journal_)
        journal_->newOutput(replacement_.target, replacement_.written);
    const int code = LinkUnnamedFile(fd_, folder_, name_);
    if (code == EEXIST)
        return std::nullopt;
    if (code != 0)
        return fail(code);
    if (::close(fd_) != 0) {
        const int closed = errno;
        fd_ = -1;
        // The bytes may not all be there: the name goes again, if it is still ours.
        struct stat now { };
        if (::fstatat(folder_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0
            && identityFrom(now).sameFile(replacement_.written))
            ::unlinkat(folder_, name_.c_str(), 0);
        return fail(closed);
    }
    fd_ = -1;
    if (sync)
        ::fsync(folder_);
    abandon(); // lets go of the folder
    return FileResult::success();
}

FileResult ReplacingFile::commit(bool keepReplaced, bool syncNewFile)
{
    if (fd_ < 0)
        return failureFromErrno(EBADF);
    // Nothing was there at open: the unnamed file takes the name in one step,
    // which fails rather than replace a file that came there since.
    if (!targetExisted_ && temporaryName_.empty()) {
        if (std::optional<FileResult> linked = linkAsNewFile(syncNewFile))
            return *linked;
    }
    // Checked again below: whatever was there at open, an existing file is
    // only ever replaced by bytes already on the disk.
    struct stat before { };
    const bool replacing = ::fstatat(folder_, name_.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0;
    const bool sync = syncNewFile || replacing;
    if (FileResult written = finishWriting(sync); !written)
        return written;
    bool exists = false;
    struct stat existing { };
    if (FileResult target = checkTarget(exists, existing); !target)
        return target;
    KeptEarlier kept;
    if (exists && keepReplaced) {
        if (FileResult aside = keepEarlier(existing, kept); !aside)
            return aside;
    } else if (journal_ && !exists) {
        journal_->newOutput(replacement_.target, replacement_.written);
    }
    if (FileResult placed = moveIntoPlace(kept); !placed)
        return placed;
    // The content is already in place; a failure to make the rename durable
    // is not worth reporting.
    if (sync)
        ::fsync(folder_);
    abandon(); // lets go of the folder
    return FileResult::success();
}

// The bytes on the disk (when asked), the temporary named, its file closed.
FileResult ReplacingFile::finishWriting(bool sync)
{
    auto fail = [this](int code) {
        abandon();
        return failureFromErrno(code);
    };
    if (FileResult settled = settleBytes(sync); !settled)
        return settled;
    if (FileResult named = nameTemporary(); !named) {
        abandon();
        return named;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        return fail(errno);
    return FileResult::success();
}

// The target may have changed since open: never rename over anything but a
// regular file.
FileResult ReplacingFile::checkTarget(bool& exists, struct stat& existing)
{
    exists = ::fstatat(folder_, name_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        abandon();
        return failureFromErrno(EISDIR);
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        abandon();
        return FileResult::failure(notRegularReason(existing.st_mode));
    }
    return FileResult::success();
}

// A hard link keeps the old file whole while the rename replaces the name in
// one step; where links are not supported the old file is moved aside first.
// A journal names the kept file before it exists, so that no crash can leave
// the earlier file under a name nobody knows.
FileResult ReplacingFile::keepEarlier(const struct stat& existing, KeptEarlier& kept)
{
    const std::string& target = replacement_.target;
    const FileIdentity earlier = identityFrom(existing);
    auto noted = [&] {
        replacement_.keptAside = folderPath_ + "/" + kept.name;
        return !journal_ || journal_->replacing(target, replacement_.written, replacement_.keptAside, earlier).ok;
    };
    int code = EEXIST;
    for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
        kept.name = hiddenName();
        if (!noted()) {
            code = EIO;
            break;
        }
        code = ::linkat(folder_, name_.c_str(), folder_, kept.name.c_str(), 0) == 0 ? 0 : errno;
    }
    if (code != 0 && code != EIO) {
        code = EEXIST;
        for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
            kept.name = hiddenName();
            // renameat2 with RENAME_NOREPLACE is not everywhere; a plain
            // check is enough for a name of random letters.
            struct stat taken { };
            if (::fstatat(folder_, kept.name.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
                continue;
            if (!noted()) {
                code = EIO;
                break;
            }
            code = ::renameat(folder_, name_.c_str(), folder_, kept.name.c_str()) == 0 ? 0 : errno;
        }
        kept.movedAside = code == 0;
    }
    if (code != 0) {
        replacement_.keptAside.clear();
        abandon();
        return failureFromErrno(code);
    }
    replacement_.replaced = earlier;
    return FileResult::success();
}

// The rename that puts the new file under the target's name; when it fails,
// the earlier file goes back to its name.
FileResult ReplacingFile::moveIntoPlace(const KeptEarlier& kept)
{
    if (::renameat(folder_, temporaryName_.c_str(), folder_, name_.c_str()) != 0) {
        const int code = errno;
        if (!replacement_.keptAside.empty()) {
            if (kept.movedAside && ::renameat(folder_, kept.name.c_str(), folder_, name_.c_str()) != 0) {
                // The earlier file could not go back: say where it is rather than lose it.
                abandon();
                return FileResult::failure(ErrorText(code) + "; the earlier file is kept as " + replacement_.keptAside);
            }
            if (!kept.movedAside)
                ::unlinkat(folder_, kept.name.c_str(), 0);
            replacement_.keptAside.clear();
        }
        abandon();
        return failureFromErrno(code);
    }
    temporaryName_.clear();
    return FileResult::success();
}

OpenFolder::OpenFolder(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
}

OpenFolder::~OpenFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string OpenFolder::writeProblem() const
{
    struct stat info { };
    if (fd_ < 0 || ::fstat(fd_, &info) != 0)
        return {};
    if (info.st_nlink == 0)
        return "it was removed";
    const int probe = ::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (probe >= 0) {
        ::close(probe);
        return {};
    }
    const int code = errno;
    if (code == EACCES || code == EPERM || code == EROFS || code == ENOENT)
        return ErrorText(code);
    return {};
}

FileResult OpenFolder::syncFileSystem() const
{
    return ::syncfs(fd_) == 0 ? FileResult::success() : failureFromErrno(errno);
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
