#pragma once

// The io layer (src/io): whole-file reads, safe whole-file writes and replacements, temporary files; no Qt.

#include "io/FileResult.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace tamsenor::io {

class Journal;

// Which file a path named at one moment: enough to tell later whether the
// same file, unchanged, is still there (another program may have replaced or
// rewritten it meanwhile).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    bool sameFile(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` (symbolic links followed); nullopt when
// there is none.
std::optional<FileIdentity> IdentityOf(const std::string& path);

struct ReadResult {
    enum class Status {
        Read, // `content` holds the file (or its first maxLength bytes)
        NotOpened, // no such file, no access, a directory, or no regular file
        Failed, // opened, but reading failed part-way; `content` holds what was read
        Cancelled, // `keepGoing` said stop; `content` holds what was read
    };
    Status status = Status::Read;
    std::string reason; // the system's description, or why the file is refused
    bool truncated = false; // longer than maxLength
};

// Reads a regular file as bytes, unchanged. Anything else (a pipe, a device,
// a socket) is refused without waiting on it, whatever link leads there: a
// pipe with no writer would block forever and a device may never end.
// `keepGoing`, when given, runs after every mebibyte past the first and can
// stop a long read. Example: a link to /dev/zero -> NotOpened, "it is a
// character device, not a regular file".
ReadResult ReadRegularFile(const std::string& path, std::string& content, std::size_t maxLength = SIZE_MAX,
    const std::function<bool()>& keepGoing = {});

// Reads the whole file as bytes. On failure returns false with the reason.
FileResult ReadWholeFile(const std::string& path, std::string& content);

// As above, and tells apart a file that could not be opened (`opened` false:
// empty path, no such file, no access, a directory, no regular file) from one
// whose reading failed part-way (`opened` true); `content` then holds the
// bytes read before the error.
FileResult ReadWholeFile(const std::string& path, std::string& content, bool& opened);

// What a replacing write did: where the bytes went, which file they are now,
// and where the file they replaced was kept when that was asked for.
struct Replacement {
    std::string target; // the path written, symbolic links resolved
    FileIdentity written; // the new file
    std::string keptAside; // a hidden link to the replaced file in the same folder; empty when none
    FileIdentity replaced; // the replaced file, when one was kept aside
};

// Writes a file so that a failure never leaves a file that claims success:
// the bytes go to an unnamed temporary file in the target's folder (where
// the file system has none, one with a short hidden name: ".tmsn-" and six
// characters), which is flushed, given a hidden name and renamed over the
// target only when everything was written. A symbolic link is written
// through: the link stays and the file it names gets the content, even when
// that file does not exist yet. Only a regular file, or nothing, is ever
// replaced: a directory, a device, a pipe or a socket is refused before any
// byte is written. The replaced file keeps its permissions.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile(); // abandons an uncommitted file: the target stays as it was
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // With a `journal`, the temporary and the replacement are noted in it
    // (see Journal); it must outlive the commit.
    FileResult open(const std::string& path, Journal* journal = nullptr);
    FileResult write(std::string_view bytes);
    // Makes the written bytes the target's content. With `keepReplaced`, an
    // existing target is first linked to a hidden name beside it (see
    // Replacement), so that the caller can put it back or let it go later.
    // The bytes reach the disk before a rename replaces an existing file.
    // With `syncNewFile` false a new file is left to the system's own
    // write-back: the caller makes a batch of them durable at once with
    // OpenFolder::syncFileSystem, and a crash before that loses only new files, never an
    // older one.
    FileResult commit(bool keepReplaced = false, bool syncNewFile = true);
    void abandon();

    const Replacement& replacement() const { return replacement_; }

    // The same, for `name` in the folder open as `folder` (its path
    // `folderPath`, for messages and the journal): the folder is not looked
    // up again by its path, so that it cannot be swapped for another one
    // meanwhile. `folder` must stay open until the commit.
    FileResult open(int folder, const std::string& folderPath, const std::string& name, Journal* journal = nullptr);

private:
    // With `lookedUp`, the caller has just looked at the name: `known` is what
    // it found there, null when nothing.
    FileResult openIn(int folder, bool ownsFolder, const std::string& folderPath, const std::string& name,
        Journal* journal, const struct stat* known = nullptr, bool lookedUp = false);
    FileResult nameTemporary();
    // commit() for a target that was not there at open; nullopt when one has
    // come since, which is then replaced as any existing target is.
    std::optional<FileResult> linkAsNewFile(bool sync);
    // The steps of commit, in order; each abandons the file when it fails.
    struct KeptEarlier {
        std::string name; // the earlier file's hidden name, beside the target
        bool movedAside = false; // moved there (no hard links here) rather than linked
    };
    FileResult settleBytes(bool sync);
    FileResult finishWriting(bool sync);
    FileResult checkTarget(bool& exists, struct stat& existing);
    FileResult keepEarlier(const struct stat& existing, KeptEarlier& kept);
    FileResult moveIntoPlace(const KeptEarlier& kept);

    int fd_ = -1;
    int folder_ = -1;
    bool ownsFolder_ = false;
    std::string folderPath_;
    std::string name_;
    std::string temporaryName_; // empty while the temporary has no name
    std::int64_t bytesWritten_ = 0;
    bool targetExisted_ = false;
    Replacement replacement_;
    Journal* journal_ = nullptr;
};

// Writes `content` to `path` through a ReplacingFile. On failure the
// temporary file is removed and `path` is left as it was.
FileResult WriteWholeFile(
    const std::string& path, std::string_view content, Replacement* done = nullptr, bool keepReplaced = false);

// Puts back the file a replacing write kept aside, when the target is still
// exactly the file that write made; otherwise (another program wrote it
// meanwhile) leaves both alone and fails. Without a kept file, deletes the
// written file under the same condition.
FileResult UndoReplacement(const Replacement& done);

// Lets go of the file a replacing write kept aside, when the hidden name
// still names it.
void DiscardKeptAside(const Replacement& done);

// A folder opened once, by a run that writes into it: what is written
// through it goes into that folder wherever it is moved, and never into
// another folder put in its place.
class OpenFolder {
public:
    explicit OpenFolder(const std::string& path);
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // -1 when it could not be opened.
    int fd() const { return fd_; }

    // Why nothing more can be written into it: it was removed, or it can no
    // longer be written. Empty when it can, or when that cannot be told.
    std::string writeProblem() const;

    // Makes everything written to its file system durable (syncfs): one call
    // for a whole batch of new files.
    FileResult syncFileSystem() const;

private:
    int fd_;
};

// Writes every byte to the descriptor `fd`, retrying after signals and short
// writes; 0 or errno. A test seam's `limit` (>= 0) fails the write with
// ENOSPC, as a full disk would, once the `already` written bytes and these
// would pass it; the bytes that fit are written first.
int WriteAllBytes(int fd, std::string_view bytes, std::int64_t already = 0, std::int64_t limit = -1);

// Splits text into lines the way text files are read here: a line ends at
// CR LF or at a lone CR; a lone LF is an ordinary character; the end of the
// text ends the last line, and a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& content);

// The same lines, handed to `each` one by one without copying; stops early
// when `each` returns false. Returns whether every line was handed over.
bool ForEachLine(std::string_view content, const std::function<bool(std::string_view line)>& each);

// The system's description of errno `code`.
std::string ErrorText(int code);

// Test seam: when set, a ReplacingFile fails after this many bytes as if the
// disk were full (ENOSPC). Negative means off.
void SetWriteFailureAfterBytesForTesting(std::int64_t bytes);

} // namespace tamsenor::io
