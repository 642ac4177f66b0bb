#pragma once

#include <functional>

#include "engine/FileTexts.h"
#include "engine/RunHost.h"
#include "io/Files.h"
#include "text/Hook.h"

#include <QString>
#include <QStringList>

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
};

// The strip-mode loop over every chosen file into stripOutputDir: progress,
// caption, StripOneFile, each output recorded in stripOutputFiles. A file that
// cannot be converted is skipped without a message and listed in the result.
// No output replaces a chosen file of the run (see StripOutputPath). With
// host.workerCount() above 1 the files are read and stripped ahead on that
// many threads; what the host sees (progress values, captions, outputs, their
// order) stays that of one thread. A
// finished run ends with both bars at 0 and List2 emptied; the caller then
// settles the outputs with FinishStripOutputs or UndoStripOutputs.
StripRunResult StripFiles(RunHost& host);

// After a finished run: lets go of the earlier files the outputs replaced.
void FinishStripOutputs(const std::vector<io::Replacement>& outputs);

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

namespace messages {
inline const QString StripFinished = QStringLiteral("Stripping HTML Tags processing is finished!");
// "These files could not be converted:" and one "<path>: <reason>" line per
// skipped file, at most 20, then "... and N more".
QString FilesNotConverted(const std::vector<SkippedFile>& skipped);
QString OutputsNotDurable(const QString& directory, const QString& reason);
// The outputs of a cancelled run that could not be taken back, one line each.
QString OutputsNotUndone(const std::vector<UndoProblem>& problems);
} // namespace messages

} // namespace tamsenor
