#pragma once

#include "io/FileResult.h"
#include "io/Files.h"

#include <mutex>
#include <string>
#include <vector>

namespace tamsenor::io {

// A strip run's rollback journal: a small hidden file in the output folder
// (".tmsn-journal-" and the run's process id) that names every temporary the
// run makes, every output it puts in place and, before an earlier file is
// replaced, where that file is kept aside. The entry of a replacement is on
// the disk before the rename that replaces the file, so whatever ends the
// run (a crash, kill -9, a power cut), the journal tells the next run what
// to put back. A finished run marks it done before it lets the kept files go;
// a finished or cancelled run removes it at the end.
//
// Safe to use from several threads (read-ahead workers make temporaries).
class Journal {
public:
    Journal() = default;
    ~Journal(); // closes; the file stays unless removed
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Creates the journal in `folder` and makes its first lines durable.
    // Fails with the system's reason when the folder cannot be written.
    FileResult create(const std::string& folder);
    bool active() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // A temporary file the run made (not synced: it holds no earlier data).
    void temporary(const std::string& path);
    // A new output about to take `target`'s name (not synced).
    void newOutput(const std::string& target, const FileIdentity& written);
    // An earlier file about to be kept as `kept` and replaced by `written`
    // at `target`; on the disk when it returns ok.
    FileResult replacing(
        const std::string& target, const FileIdentity& written, const std::string& kept, const FileIdentity& earlier);
    // The run finished: what follows only lets kept files go.
    FileResult finished();
    // Deletes the journal; the run has settled everything it names.
    void remove();

private:
    FileResult append(const std::string& line, bool sync);

    std::mutex mutex_;
    int fd_ = -1;
    std::string folder_;
    std::string path_;
};

// What rolling back one journal did.
struct RolledBackRun {
    std::string journal; // its path
    bool hadFinished = false; // the run had finished: its outputs stay, only kept files were let go
    std::vector<std::string> putBack; // outputs whose earlier file is back under their name
    std::vector<std::string> removed; // new outputs deleted
    struct Left {
        std::string path; // an output left as it is
        std::string reason;
        std::string kept; // where its earlier file still is; empty when none
    };
    std::vector<Left> left;
};

// Rolls back every journal in `folder` whose run is gone (its process ended,
// or the machine restarted since): new outputs are deleted, earlier files put
// back under their names, temporaries removed, then the journal itself. An
// output another program changed since is left, with its earlier file where
// the journal says it is kept. A journal of a run still going is left alone.
// Returns what was done per journal; false and `reason` when the folder
// cannot be listed.
bool RollBackInterruptedRuns(const std::string& folder, std::vector<RolledBackRun>& done, std::string* reason = nullptr);

} // namespace tamsenor::io
