#pragma once

#include <functional>

#include "engine/FileTexts.h"
#include "engine/RunHost.h"
#include "io/Files.h"
#include "io/Journal.h"
#include "text/Hook.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace tamsenor {

struct SkippedFile {
    QString path;
    QString reason;
};

struct StripRunResult {
    text::Outcome outcome = text::Outcome::Finished;
    std::vector<SkippedFile> skipped; // in list order
    std::vector<io::Replacement> outputs; // every output written, in order
    QString notDurable; // a finished run: why its outputs could not be made durable; empty when they are
    std::vector<QString> encodings; // readable text: "input: encoding" per output, in order
    // The output folder cannot be written (nothing was done); empty when it can.
    QString folderProblem;
    // The output folder vanished or turned read-only during the run, which
    // ended there: why, and the first file not converted. The outputs before
    // it are kept, as a finished run's.
    QString folderLost;
    QString stoppedAt;
    // Earlier runs into the folder that ended without settling their outputs,
    // rolled back before this one started.
    std::vector<io::RolledBackRun> rolledBack;
    // Names what the run replaces until it is settled (FinishStripOutputs,
    // UndoStripOutputs); null when there were no outputs to note.
    std::shared_ptr<io::Journal> journal;
};

// The strip-mode loop over every chosen file into stripOutputDir: progress,
// caption, PrepareStripText and WriteStripOutput, each output recorded in
// stripOutputFiles. A file that cannot be converted is skipped without a
// message and listed in the result.
// No output replaces a chosen file of the run (see StripOutputPath). With
// host.workerCount() above 1 the files are read and stripped ahead on that
// many threads; what the host sees (progress values, captions, outputs, their
// order) stays that of one thread. A
// finished run ends with both bars at 0 and List2 emptied; the caller then
// settles the outputs with FinishStripOutputs or UndoStripOutputs.
StripRunResult StripFiles(RunHost& host);

// After a finished run: lets go of the earlier files the outputs replaced.
void FinishStripOutputs(const std::vector<io::Replacement>& outputs);
// The same for a whole run, its journal marked done first and removed last.
void FinishStripOutputs(StripRunResult& run);

struct UndoProblem {
    QString path; // the output
    QString reason;
    QString keptAside; // where the earlier file still is; empty when none
};

// After a cancelled run: deletes every output, last first, and puts back the
// earlier file an output had replaced. An output that another program changed
// during the run is left alone (and so is the earlier file kept beside it);
// those come back as problems. `yield` runs after every 64 outputs.
std::vector<UndoProblem> UndoStripOutputs(
    const std::vector<io::Replacement>& outputs, const std::function<void()>& yield = {});

// What taking back a cancelled run did.
struct UndoReport {
    std::size_t removed = 0; // new outputs deleted
    std::size_t putBack = 0; // earlier files back under their names
    std::vector<UndoProblem> problems; // outputs left as they are
};
// The same for a whole run, counted, its journal removed at the end.
UndoReport UndoStripOutputs(StripRunResult& run, const std::function<void()>& yield = {});

namespace messages {
inline const QString StripFinished = QStringLiteral("Stripping HTML Tags processing is finished!");
// "These files could not be converted:" and one "<path>: <reason>" line per
// skipped file, at most 20, then "... and N more".
QString FilesNotConverted(const std::vector<SkippedFile>& skipped);
QString OutputsNotDurable(const QString& directory, const QString& reason);
// The outputs of a cancelled run that could not be taken back, one line each.
QString OutputsNotUndone(const std::vector<UndoProblem>& problems);
// The same, after how many outputs were removed and files put back.
QString OutputsNotUndone(const UndoReport& undo);
QString OutputFolderNotWritable(const QString& directory, const QString& reason);
QString OutputFolderLost(const QString& directory, const QString& reason, const QString& stoppedAt);
// What rolling back the journals of earlier runs did: one paragraph per run.
QString EarlierRunsRolledBack(const std::vector<io::RolledBackRun>& runs);
} // namespace messages

} // namespace tamsenor
