#include "io/Paths.h"

#include "io/Files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamsenor::io {

namespace {

void Say(std::string* reason, int code)
{
    if (reason)
        *reason = ErrorText(code);
}

} // namespace

std::optional<std::vector<std::string>> ListDirectory(
    const std::string& directory, EntryKind kind, bool hidden, std::string* reason)
{
    if (directory.empty()) {
        Say(reason, ENOENT);
        return std::nullopt;
    }
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) {
        Say(reason, errno);
        return std::nullopt;
    }
    const int fd = ::dirfd(dir);
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || (!hidden && name.front() == '.'))
            continue;
        // Links are followed; the entry's own type saves a stat where it is plain.
        bool isFile = entry->d_type == DT_REG;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info { };
            if (::fstatat(fd, entry->d_name, &info, 0) != 0)
                continue; // a broken link
            isFile = S_ISREG(info.st_mode);
            isDirectory = S_ISDIR(info.st_mode);
        }
        if ((kind == EntryKind::File && isFile) || (kind == EntryKind::Directory && isDirectory))
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

std::optional<std::string> CurrentDirectory(std::string* reason)
{
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd) {
        Say(reason, errno);
        return std::nullopt;
    }
    std::string result = cwd;
    std::free(cwd);
    // The C library can tell a folder deeper than PATH_MAX, but no path made
    // from it could be opened.
    if (result.size() >= PATH_MAX) {
        Say(reason, ENAMETOOLONG);
        return std::nullopt;
    }
    // A folder that was deleted is reported with this mark instead of failing.
    if (result.empty() || result.front() != '/') {
        Say(reason, ENOENT);
        return std::nullopt;
    }
    return result;
}

namespace {

// Calls `each` with every part of `path` between "/", empty ones included.
template <typename Each>
void ForEachPart(const std::string& path, Each each)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        each(path.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

std::string CleanPath(const std::string& path)
{
    if (path.empty())
        return path;
    const bool absolute = path.front() == '/';
    std::vector<std::string> parts;
    ForEachPart(path, [&](const std::string& part) {
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    });
    std::string clean = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            clean += '/';
        clean += parts[i];
    }
    return clean.empty() ? "." : clean;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// `path` without "." parts and repeated "/"; ".." parts stay.
std::string tidy(const std::string& path)
{
    std::string out;
    ForEachPart(path, [&](const std::string& part) {
        if (!part.empty() && part != ".")
            out += "/" + part;
    });
    return out.empty() ? "/" : out;
}

} // namespace

std::optional<std::string> AbsolutePath(const std::string& path, std::string* reason)
{
    std::string absolute;
    if (!path.empty() && path.front() == '/') {
        absolute = tidy(path);
    } else {
        const std::optional<std::string> cwd = CurrentDirectory(reason);
        if (!cwd)
            return std::nullopt;
        absolute = tidy(*cwd + "/" + path);
    }
    // ".." is the parent of the folder the kernel finds, which behind a link
    // is not the folder the text names: the part up to the last ".." is
    // asked of the kernel. When it does not exist, the ".." stays for the
    // kernel to take when the path is used.
    std::size_t end = std::string::npos;
    for (std::size_t at = absolute.find("/.."); at != std::string::npos; at = absolute.find("/..", at + 1)) {
        if (at + 3 == absolute.size() || absolute[at + 3] == '/')
            end = at + 3;
    }
    if (end == std::string::npos)
        return absolute;
    char* real = ::realpath(absolute.substr(0, end).c_str(), nullptr);
    if (!real)
        return absolute;
    std::string resolved = real;
    std::free(real);
    const std::string rest = absolute.substr(end);
    return resolved == "/" && !rest.empty() ? rest : resolved + rest;
}

bool MakeDirectories(const std::string& path, std::string* reason)
{
    if (path.empty()) {
        Say(reason, ENOENT);
        return false;
    }
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = slash == std::string::npos ? path : path.substr(0, slash);
        if (!level.empty() && ::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
            Say(reason, errno);
            return false;
        }
        if (slash == std::string::npos)
            break;
    }
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        Say(reason, ENOTDIR);
        return false;
    }
    return true;
}

} // namespace tamsenor::io
