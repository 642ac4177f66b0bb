#pragma once

#include <functional>

#include "engine/ChosenFile.h"
#include "engine/RunHost.h"
#include "text/Hook.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace tamsenor {

// The output file name of a chosen file: its name after the last "/", every
// "." removed, ".txt" appended. "/web/index.html" -> "indexhtml.txt";
// "/x/README" -> "README.txt".
QString StripOutputName(const QString& chosenPath);

// The output path in `directory`, joined by one "/" (a root directory "/"
// therefore gives "//name.txt"). A path this run already wrote (listed in
// `writtenThisRun`) gets "_2", "_3", ... before ".txt", so that two chosen
// files of the same name both keep their output.
QString StripOutputPath(const QString& directory, const QString& chosenPath, const QStringList& writtenThisRun);

struct StripFileResult {
    text::Outcome outcome = text::Outcome::Finished;
    bool written = false;
    std::string reason; // why nothing was written (when not cancelled)
};

// Converts one file into plain text at `outputPath` (both local 8-bit bytes):
// "From: " and the input path, CR LF, the input's lines joined without their
// line ends (CR LF or lone CR), all stripped of HTML by the hook's rules, then a
// final CR LF; an existing output is replaced. `buffer` is the working text.
// Yields before every line and stops (writing nothing) when the hook asks to
// cancel there or inside the stripper. On failure nothing is written and
// `reason` says why.
StripFileResult StripOneFile(const std::string& inputPath, const std::string& outputPath, std::string& buffer,
    text::Hook& hook, std::size_t maxLength = MaxTextLength);

struct SkippedFile {
    QString path;
    QString reason;
};

struct StripRunResult {
    text::Outcome outcome = text::Outcome::Finished;
    std::vector<SkippedFile> skipped; // in list order
};

// The strip-mode loop over every chosen file into StripOutputDir: progress,
// caption, StripOneFile, each output recorded in StripOutputFiles. A file that
// cannot be converted is skipped without a message and listed in the result.
// A finished run ends with both bars at 0 and List2 emptied.
StripRunResult StripFiles(RunHost& host);

// Deletes every non-empty path of `outputs`; a file that cannot be deleted is
// passed over. `yield` runs after every 64 deletions.
void DeleteStripOutputs(const QStringList& outputs, const std::function<void()>& yield = {});

namespace messages {
inline const QString StripFinished = QStringLiteral("Stripping HTML Tags processing is finished!");
// "These files could not be converted:" and one "<path>: <reason>" line per
// skipped file, at most 20, then "... and N more".
QString FilesNotConverted(const std::vector<SkippedFile>& skipped);
} // namespace messages

} // namespace tamsenor
