#pragma once

// One chosen file's text as each run makes it, on the run's thread or a
// worker's: read, stripped or rendered, and (strip mode) written.

#include "engine/ChosenFile.h"
#include "io/Files.h"
#include "text/Extract.h"
#include "text/Hook.h"

#include <QString>
#include <QStringList>

#include <functional>

#include <string>
#include <string_view>
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

// Why a strip run skips a file whose text did not fit in memory.
extern const char* const NotEnoughMemoryToConvert;

// Where a strip run writes: its output folder, opened once so that moving
// or swapping it during the run cannot send outputs elsewhere (-1: by path
// alone), and its journal (none: not noted).
struct OutputPlace {
    int folder = -1;
    io::Journal* journal = nullptr;
};

// Opens `file` for `outputPath` (local 8-bit bytes) in `place`.
FileResult OpenOutput(io::ReplacingFile& file, const std::string& outputPath, const OutputPlace& place);

struct StripFileResult {
    text::Outcome outcome = text::Outcome::Finished;
    bool written = false;
    std::string reason; // why nothing was written (when not cancelled)
    io::Replacement replacement; // when written: the output, and the earlier file it replaced
    std::string encoding; // readable text: the page's encoding and how it was learnt (and with main text, which text)
};

// One file's conversion, in two steps that may run on two threads.
// PrepareStripText leaves the output's whole content in `buffer` (local 8-bit
// paths): "From: " and the input path, CR LF, the input's lines joined without
// their line ends (CR LF or lone CR), all stripped of HTML by the hook's
// rules, then a final CR LF; it sets `written` when that is ready to be
// written. It yields before every line and every mebibyte of a long read, and
// stops (cancelled) when the hook asks there or inside the stripper.
// WriteStripOutput writes it to `outputPath` (slices, a cancel test between
// them); an existing output is replaced, and kept aside (see io::Replacement)
// so that a cancelled run can put it back. On failure nothing is written and
// `reason` says why.
// With `readable`, the content is instead "From: " and the input path, LF,
// then the page's text as a browser shows it (markup::RenderReadableText:
// UTF-8, LF line ends, a final LF); a page whose markup or encoding cannot be
// read to its end is not converted, with the reason. With `mainText` as
// well, the text is the page's main text (markup::RenderMainText), and
// `encoding` ends in ", main text" or, when it had none to find, in
// ", whole page (no main text found)".
StripFileResult PrepareStripText(const std::string& inputPath, std::string& buffer, text::Hook& hook,
    std::size_t maxLength = MaxTextLength, bool readable = false, bool mainText = false);
StripFileResult WriteStripOutput(
    const std::string& outputPath, const std::string& buffer, text::Hook& hook, const OutputPlace& place = {});
// The last step of WriteStripOutput, for an output written elsewhere (ahead, on a worker).
StripFileResult CommitStripOutput(io::ReplacingFile& output);

// Turns a file's bytes into the text the extractors search, in place: the
// stripped text, or with `readable` the page's text as a browser shows it
// (markup::RenderReadableText), with `mainText` as well only its main text
// (markup::RenderMainText). On a failure the text is whatever was made so far
// and the file is not to be searched.
struct SourceResult {
    bool outOfMemory = false; // the stripper ran out of memory
    std::string problem; // readable text: why the page could not be read to its end
    bool ok() const { return !outOfMemory && problem.empty(); }
};
// `inputPath` (local bytes), when given, is where the page's linked style
// sheets are looked for: its folder and those below it.
SourceResult PrepareExtractionSource(std::string& text, bool readable, text::Hook& hook,
    const std::string& inputPath = {}, bool mainText = false);

// The "Link" and "MailTo" columns of one file, read from its markup (the
// file's bytes before stripping): every distinct absolute link and every
// valid mailto address, in document order. Empty when the hook cancelled.
// When the markup cannot be read to its end, the columns hold the links read
// so far and `problem` (if given) says why, for the file's note.
std::vector<text::ExtractSetup::ListedColumn> MarkupColumns(
    std::string_view markup, text::Hook& hook, std::string* problem = nullptr);

} // namespace tamsenor
