#include "io/Files.h"
#include "io/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace tamsenor {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using testing::WriteFailureAfter;
using Lines = std::vector<std::string>;

TEST(SplitLines, LineEndsAreCrLfOrLoneCr)
{
    struct Case {
        const char* name;
        std::string text;
        Lines lines;
    };
    const Case cases[] = {
        { "empty text has no lines", "", {} },
        { "no final line end", "a\r\nb\r\nc", { "a", "b", "c" } },
        { "final line end adds no line", "a\r\nb\r\nc\r\n", { "a", "b", "c" } },
        { "lone CR ends a line", "a\rb\r", { "a", "b" } },
        { "lone LF is ordinary", "a\nb\nc\n", { "a\nb\nc\n" } },
        { "LF CR is an ordinary LF then a line end", "a\n\rb", { "a\n", "b" } },
        { "CR CR LF is an empty line between", "a\r\r\nb", { "a", "", "b" } },
        { "blank lines are kept", "\r\n\r\nx\r\n", { "", "", "x" } },
        { "only a line end", "\r\n", { "" } },
        { "tabs are ordinary", "a\tb\r\n", { "a\tb" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.lines, io::SplitLines(c.text));
    }
}

TEST(ReadWholeFile, ReturnsBytesUnchanged)
{
    TempDir dir;
    const std::string bytes("a\r\nb\nc\rd\0\x1a\xff\t", 13);
    WriteBytes(dir.file("f"), bytes);
    std::string content;
    bool opened = false;
    FileResult result = io::ReadWholeFile(dir.file("f"), content, opened);
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_TRUE(opened);
    EXPECT_EQ(bytes, content);
}

TEST(ReadWholeFile, FailuresSayWhy)
{
    TempDir dir;
    ::mkdir(dir.file("sub").c_str(), 0755);
    struct Case {
        const char* name;
        std::string path;
        int expectedErrno;
    };
    const Case cases[] = {
        { "missing file", dir.file("missing"), ENOENT },
        { "empty path", "", ENOENT },
        { "directory", dir.file("sub"), EISDIR },
        { "missing directory", dir.file("nodir/f"), ENOENT },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string content = "stale";
        bool opened = true;
        FileResult result = io::ReadWholeFile(c.path, content, opened);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(opened);
        EXPECT_EQ(std::string(std::strerror(c.expectedErrno)), result.reason);
        EXPECT_EQ("", content);
    }
}

// Special files made in the test's own folder, never the real /dev: a FIFO
// always; a socket; and, as root only, a character device like /dev/zero.
struct SpecialFile {
    const char* name;
    std::function<bool(const std::string&)> make;
};

std::vector<SpecialFile> SpecialFiles()
{
    std::vector<SpecialFile> files {
        { "named pipe", [](const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; } },
        { "socket",
            [](const std::string& path) {
                sockaddr_un address {};
                address.sun_family = AF_UNIX;
                if (path.size() >= sizeof address.sun_path)
                    return false;
                std::strcpy(address.sun_path, path.c_str());
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
                ::close(fd);
                return bound;
            } },
    };
    if (::geteuid() == 0) {
        files.push_back({ "character device",
            [](const std::string& path) { return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0; } });
    }
    return files;
}

// Runs `check` on every special file, named directly and through a link, each
// in a fresh folder that holds the node ("node") and the link ("link").
void ForEachSpecialPath(const std::function<void(const TempDir&, const std::string& path, bool throughLink)>& check)
{
    for (const SpecialFile& special : SpecialFiles()) {
        for (const bool throughLink : { false, true }) {
            SCOPED_TRACE(std::string(special.name) + (throughLink ? " through a link" : ""));
            TempDir dir;
            ASSERT_TRUE(special.make(dir.file("node")));
            if (throughLink) {
                ASSERT_EQ(0, ::symlink("node", dir.file("link").c_str()));
            }
            check(dir, dir.file(throughLink ? "link" : "node"), throughLink);
        }
    }
}

TEST(ReadRegularFile, RefusesSpecialFilesWithoutWaitingOnThem)
{
    ForEachSpecialPath([](const TempDir&, const std::string& path, bool) {
        std::string content = "stale";
        bool opened = true;
        const FileResult result = io::ReadWholeFile(path, content, opened);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(opened);
        EXPECT_NE(std::string::npos, result.reason.find("not a regular file")) << result.reason;
        EXPECT_EQ("", content);
    });
}

TEST(ReadRegularFile, KeepGoingCanStopALongRead)
{
    TempDir dir;
    WriteBytes(dir.file("big"), std::string(3 << 20, 'x'));
    int asked = 0;
    std::string content;
    const io::ReadResult read
        = io::ReadRegularFile(dir.file("big"), content, SIZE_MAX, [&asked] { return ++asked < 2; });
    EXPECT_EQ(io::ReadResult::Status::Cancelled, read.status);
    EXPECT_EQ(2, asked);
    EXPECT_LT(content.size(), 3u << 20);
}

TEST(WriteWholeFile, ReplacesNothingButARegularFile)
{
    ForEachSpecialPath([](const TempDir& dir, const std::string& path, bool throughLink) {
        const FileResult result = io::WriteWholeFile(path, "x");
        EXPECT_FALSE(result.ok);
        EXPECT_NE(std::string::npos, result.reason.find("not a regular file")) << result.reason;
        struct stat info { };
        ASSERT_EQ(0, ::lstat(dir.file("node").c_str(), &info));
        EXPECT_FALSE(S_ISREG(info.st_mode));
        EXPECT_EQ(throughLink ? 2u : 1u, dir.entries().size()); // no temporary left
    });
}

TEST(WriteWholeFile, NamesThatStretchTheLimits)
{
    struct Row {
        const char* name;
        std::string file;
    };
    const Row rows[] = {
        { "a name of 255 bytes", std::string(251, 'n') + ".txt" },
        { "bytes that are no UTF-8", "caf\xe9\xff.txt" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const FileResult result = io::WriteWholeFile(dir.file(row.file), "content");
        EXPECT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(std::vector<std::string> { row.file }, dir.entries());
    }
}

TEST(WriteWholeFile, WritesThroughADanglingLink)
{
    TempDir dir;
    ASSERT_EQ(0, ::symlink("target.txt", dir.file("link").c_str()));
    ASSERT_TRUE(io::WriteWholeFile(dir.file("link"), "new").ok);
    EXPECT_EQ("new", ReadBytes(dir.file("target.txt")));
    struct stat info { };
    ::lstat(dir.file("link").c_str(), &info);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(WriteWholeFile, CreatesAndReplaces)
{
    TempDir dir;
    const std::string path = dir.file("out.txt");
    struct Step {
        const char* name;
        std::string content;
    };
    const Step steps[] = {
        { "creates", "first\r\nversion\r\n" },
        { "replaces longer with shorter", "2\r\n" },
        { "replaces with nothing", "" },
        { "binary bytes unchanged", std::string("\0\xff\r\n\n\r", 6) },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        FileResult result = io::WriteWholeFile(path, s.content);
        EXPECT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(s.content, ReadBytes(path));
        EXPECT_EQ(std::vector<std::string> { "out.txt" }, dir.entries());
    }
}

// What comes to the name after the output was opened: a file is kept aside
// (never lost), anything else is left alone and the commit fails.
TEST(ReplacingFile, WhatComesToTheNameMeanwhile)
{
    struct Row {
        const char* name;
        std::function<bool(const std::string&)> make; // nothing when null
        bool committed;
    };
    const Row rows[] = {
        { "nothing: a new file", nullptr, true },
        { "a regular file", [](const std::string& path) { WriteBytes(path, "earlier"); return true; }, true },
        { "a folder", [](const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }, false },
        { "a link", [](const std::string& path) { return ::symlink("elsewhere", path.c_str()) == 0; }, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string target = dir.file("out.txt");
        io::ReplacingFile file;
        ASSERT_TRUE(file.open(target).ok);
        ASSERT_TRUE(file.write("new").ok);
        if (row.make) {
            ASSERT_TRUE(row.make(target));
        }
        const FileResult committed = file.commit(true, false);
        EXPECT_EQ(row.committed, committed.ok) << committed.reason;
        if (row.committed) {
            EXPECT_EQ("new", ReadBytes(target));
        }
        const std::string kept = file.replacement().keptAside;
        if (row.committed && row.make) {
            ASSERT_FALSE(kept.empty());
            EXPECT_EQ("earlier", ReadBytes(kept));
        } else {
            EXPECT_TRUE(kept.empty());
        }
        EXPECT_EQ(1u + (kept.empty() ? 0u : 1u), dir.entries().size()); // no temporary left
    }
}

TEST(WriteWholeFile, KeepsPermissionsOfReplacedFile)
{
    TempDir dir;
    const std::string path = dir.file("f");
    WriteBytes(path, "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(io::WriteWholeFile(path, "new").ok);
    struct stat info { };
    ::stat(path.c_str(), &info);
    EXPECT_EQ(0640u, info.st_mode & 07777);
}

TEST(WriteWholeFile, WritesThroughSymbolicLink)
{
    TempDir dir;
    WriteBytes(dir.file("real"), "old");
    ASSERT_EQ(0, ::symlink("real", dir.file("link").c_str()));
    ASSERT_TRUE(io::WriteWholeFile(dir.file("link"), "new").ok);
    EXPECT_EQ("new", ReadBytes(dir.file("real")));
    struct stat info { };
    ::lstat(dir.file("link").c_str(), &info);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(WriteWholeFile, FailureLeavesTargetAndNoTemporary)
{
    TempDir dir;
    ::mkdir(dir.file("sub").c_str(), 0755);
    struct Case {
        const char* name;
        std::string path;
        int expectedErrno;
    };
    const Case cases[] = {
        { "missing directory", dir.file("nodir/f.txt"), ENOENT },
        { "empty path", "", ENOENT },
        { "target is a directory", dir.file("sub"), EISDIR },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileResult result = io::WriteWholeFile(c.path, "x\r\n");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(std::string(std::strerror(c.expectedErrno)), result.reason);
        EXPECT_EQ(std::vector<std::string> { "sub" }, dir.entries());
    }
}

TEST(WriteWholeFile, DiskFullKeepsPreviousFile)
{
    const std::string content(10000, 'n');
    struct Case {
        const char* name;
        std::int64_t failAfter;
    };
    const Case cases[] = {
        { "before the first byte", 0 },
        { "part-way", 4096 },
        { "one byte short", 9999 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("results.txt");
        WriteBytes(path, "previous\r\n");
        {
            WriteFailureAfter full(c.failAfter);
            FileResult result = io::WriteWholeFile(path, content);
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(std::string(std::strerror(ENOSPC)), result.reason);
        }
        EXPECT_EQ("previous\r\n", ReadBytes(path));
        EXPECT_EQ(std::vector<std::string> { "results.txt" }, dir.entries());
    }
}

TEST(WriteWholeFile, DiskFullCreatesNothing)
{
    TempDir dir;
    {
        WriteFailureAfter full(3);
        EXPECT_FALSE(io::WriteWholeFile(dir.file("new.txt"), "more than three").ok);
    }
    EXPECT_EQ(std::vector<std::string> {}, dir.entries());
}

TEST(WriteWholeFile, SeamAllowsWriteThatFits)
{
    TempDir dir;
    WriteFailureAfter full(5);
    FileResult result = io::WriteWholeFile(dir.file("f"), "12345");
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ("12345", ReadBytes(dir.file("f")));
}

} // namespace
} // namespace tamsenor
