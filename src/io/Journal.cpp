#include "io/Journal.h"

#include "io/Paths.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tamsenor::io {

namespace {

constexpr const char* Prefix = ".tmsn-journal-";
constexpr const char* FirstLine = "tamsenor strip journal 1";

std::string firstLineOf(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The machine's start and this process's start: a process id alone may have
// been given to another process since.
std::string bootId()
{
    return firstLineOf("/proc/sys/kernel/random/boot_id");
}

std::string startTimeOf(long pid)
{
    const std::string stat = firstLineOf("/proc/" + std::to_string(pid) + "/stat");
    // The 22nd field; the second (the command's name) may hold spaces.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return {};
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) { }
    return field;
}

// A name as one word of a line: no space, no line break.
std::string escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == ' ')
            out += "\\s";
        else
            out += c;
    }
    return out;
}

std::string unescaped(const std::string& word)
{
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '\\' || i + 1 == word.size()) {
            out += word[i];
            continue;
        }
        const char next = word[++i];
        out += next == 'n' ? '\n' : next == 's' ? ' ' : next;
    }
    return out;
}

std::string identityWords(const FileIdentity& id)
{
    return std::to_string(id.device) + " " + std::to_string(id.inode);
}

std::optional<FileIdentity> lstatIdentity(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(info.st_dev);
    id.inode = static_cast<std::uint64_t>(info.st_ino);
    return id;
}

bool same(const std::optional<FileIdentity>& a, const FileIdentity& b)
{
    return a && a->sameFile(b);
}

void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

struct Entry {
    std::string kind;
    FileIdentity written;
    FileIdentity earlier;
    std::string target;
    std::string other; // the temporary, or the kept file
};

// Whether the run that wrote the journal is still going.
bool runIsGoing(const std::string& header)
{
    std::istringstream words(header);
    std::string pidWord, boot, start;
    long pid = 0;
    if (!(words >> pidWord >> pid >> boot >> start) || pidWord != "pid" || pid <= 0)
        return false;
    if (boot != bootId())
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
    return startTimeOf(pid) == start;
}

RolledBackRun rollBack(const std::string& journal, const std::vector<Entry>& entries, bool finished)
{
    RolledBackRun run;
    run.journal = journal;
    run.hadFinished = finished;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->kind == "temp") {
            struct stat info { };
            if (::lstat(entry->other.c_str(), &info) == 0 && S_ISREG(info.st_mode))
                ::unlink(entry->other.c_str());
        } else if (entry->kind == "new" && !finished) {
            if (same(lstatIdentity(entry->target), entry->written) && ::unlink(entry->target.c_str()) == 0)
                run.removed.push_back(entry->target);
        } else if (entry->kind == "replace") {
            const std::optional<FileIdentity> kept = lstatIdentity(entry->other);
            if (!same(kept, entry->earlier))
                continue; // never made, or already settled
            const std::optional<FileIdentity> now = lstatIdentity(entry->target);
            if (same(now, entry->earlier)) {
                // The run ended before the rename: the earlier file never left.
                ::unlink(entry->other.c_str());
            } else if (finished) {
                ::unlink(entry->other.c_str());
            } else if (!now || same(now, entry->written)) {
                if (::rename(entry->other.c_str(), entry->target.c_str()) == 0)
                    run.putBack.push_back(entry->target);
                else
                    run.left.push_back({ entry->target, ErrorText(errno), entry->other });
            } else {
                run.left.push_back({ entry->target, "it was changed by another program since", entry->other });
            }
        }
    }
    return run;
}

} // namespace

Journal::~Journal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FileResult Journal::create(const std::string& folder)
{
    folder_ = folder;
    path_ = folder + "/" + Prefix + std::to_string(::getpid());
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        const int code = errno;
        path_.clear();
        return FileResult::failure(ErrorText(code));
    }
    const std::string header = std::string(FirstLine) + "\npid " + std::to_string(::getpid()) + " " + bootId() + " "
        + startTimeOf(::getpid()) + "\n";
    if (FileResult written = append(header, true); !written) {
        remove();
        return written;
    }
    // The journal's own name must survive a crash as well.
    syncFolder(folder_);
    return FileResult::success();
}

FileResult Journal::append(const std::string& line, bool sync)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0)
        return FileResult::success();
    if (const int code = WriteAllBytes(fd_, line); code != 0)
        return FileResult::failure(ErrorText(code));
    if (sync && ::fdatasync(fd_) != 0)
        return FileResult::failure(ErrorText(errno));
    return FileResult::success();
}

void Journal::temporary(const std::string& path)
{
    append("temp 0 0 0 0 - " + escaped(path) + "\n", false);
}

void Journal::newOutput(const std::string& target, const FileIdentity& written)
{
    append("new " + identityWords(written) + " 0 0 " + escaped(target) + " -\n", false);
}

FileResult Journal::replacing(
    const std::string& target, const FileIdentity& written, const std::string& kept, const FileIdentity& earlier)
{
    return append(
        "replace " + identityWords(written) + " " + identityWords(earlier) + " " + escaped(target) + " "
            + escaped(kept) + "\n",
        true);
}

FileResult Journal::finished()
{
    return append("done\n", true);
}

void Journal::remove()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        syncFolder(folder_);
        path_.clear();
    }
}

bool RollBackInterruptedRuns(const std::string& folder, std::vector<RolledBackRun>& done, std::string* reason)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        if (reason)
            *reason = ErrorText(errno);
        return false;
    }
    std::vector<std::string> journals;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(Prefix, 0) == 0)
            journals.push_back(folder + "/" + name);
    }
    ::closedir(dir);

    for (const std::string& journal : journals) {
        struct stat info { };
        if (::lstat(journal.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        std::ifstream in(journal, std::ios::binary);
        std::string line;
        if (!std::getline(in, line) || line != FirstLine)
            continue; // not ours
        std::string header;
        std::getline(in, header);
        if (runIsGoing(header))
            continue;
        std::vector<Entry> entries;
        bool finished = false;
        while (std::getline(in, line)) {
            if (in.eof())
                break; // a line cut short by the crash
            if (line == "done") {
                finished = true;
                continue;
            }
            std::istringstream words(line);
            Entry entry;
            std::string target, other;
            if (!(words >> entry.kind >> entry.written.device >> entry.written.inode >> entry.earlier.device
                    >> entry.earlier.inode >> target >> other))
                continue;
            entry.target = target == "-" ? std::string() : unescaped(target);
            entry.other = other == "-" ? std::string() : unescaped(other);
            entries.push_back(std::move(entry));
        }
        in.close();
        done.push_back(rollBack(journal, entries, finished));
        ::unlink(journal.c_str());
    }
    if (!journals.empty())
        syncFolder(folder);
    return true;
}

} // namespace tamsenor::io
