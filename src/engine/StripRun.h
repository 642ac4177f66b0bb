#pragma once

#include <functional>

#include "engine/ChosenFile.h"
#include "engine/RunHost.h"
#include "io/Files.h"
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
// therefore gives "//name.txt"). A path that is `taken` gets "_2", "_3", ...
// before ".txt": a path this run already wrote, so that two chosen files of
// the same name both keep their output, and a chosen file of this run, which
// an output must never replace.
QString StripOutputPath(
    const QString& directory, const QString& chosenPath, const std::function<bool(const QString&)>& taken);
// As above, with the paths of `writtenThisRun` taken.
QString StripOutputPath(const QString& directory, const QString& chosenPath, const QStringList& writtenThisRun);

struct StripFileResult {
    text::Outcome outcome = text::Outcome::Finished;
    bool written = false;
    std::string reason; // why nothing was written (when not cancelled)
    io::Replacement replacement; // when written: the output, and the earlier file it replaced
    std::string encoding; // readable text: the page's encoding and how it was learnt (and with main text, which text)
};

// Converts one file into plain text at `outputPath` (both local 8-bit bytes):
// "From: " and the input path, CR LF, the input's lines joined without their
// line ends (CR LF or lone CR), all stripped of HTML by the hook's rules, then a
// final CR LF; an existing output is replaced, and kept aside (see
// io::Replacement) so that a cancelled run can put it back. `buffer` is the
// working text. Yields before every line and every mebibyte of a long read,
// and stops (writing nothing) when the hook asks to cancel there or inside
// the stripper. On failure nothing is written and `reason` says why.
StripFileResult StripOneFile(const std::string& inputPath, const std::string& outputPath, std::string& buffer,
    text::Hook& hook, std::size_t maxLength = MaxTextLength, bool readable = false, bool mainText = false);

// The two halves of StripOneFile. PrepareStripText leaves the output's whole
// content in `buffer` and sets `written` when it is ready to be written;
// WriteStripOutput writes it (slices, a cancel test between them).
// With `readable`, the content is instead "From: " and the input path, LF,
// then the page's text as a browser shows it (markup::RenderReadableText:
// UTF-8, LF line ends, a final LF); a page whose markup or encoding cannot be
// read to its end is not converted, with the reason. With `mainText` as
// well, the text is the page's main text (markup::RenderMainText), and
// `encoding` ends in ", main text" or, when it had none to find, in
// ", whole page (no main text found)".
StripFileResult PrepareStripText(const std::string& inputPath, std::string& buffer, text::Hook& hook,
    std::size_t maxLength = MaxTextLength, bool readable = false, bool mainText = false);
StripFileResult WriteStripOutput(const std::string& outputPath, const std::string& buffer, text::Hook& hook);

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
