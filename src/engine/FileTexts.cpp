#include "engine/FileTexts.h"

#include "files/LocalText.h"
#include "markup/MarkupLinks.h"
#include "markup/MainText.h"
#include "markup/ReadableText.h"
#include "text/StripTags.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace tamsenor {

QString StripOutputName(const QString& chosenPath)
{
    QString name = chosenPath.mid(chosenPath.lastIndexOf(QLatin1Char('/')) + 1);
    name.remove(QLatin1Char('.'));
    return name + QStringLiteral(".txt");
}

QString StripOutputPath(
    const QString& directory, const QString& chosenPath, const std::function<bool(const QString&)>& taken)
{
    QString stem = StripOutputName(chosenPath);
    stem.chop(4); // ".txt"
    const QString base = directory + QLatin1Char('/') + stem;
    QString path = base + QStringLiteral(".txt");
    for (int n = 2; taken(path); ++n)
        path = base + QStringLiteral("_%1.txt").arg(n);
    return path;
}

QString StripOutputPath(const QString& directory, const QString& chosenPath, const QStringList& writtenThisRun)
{
    return StripOutputPath(
        directory, chosenPath, [&writtenThisRun](const QString& path) { return writtenThisRun.contains(path); });
}

const char* const NotEnoughMemoryToConvert = "there is not enough memory to convert it";

namespace {

// Appends the rendered text to the output's content as it comes.
class AppendingSink : public markup::TextSink {
public:
    explicit AppendingSink(std::string& out)
        : out_(out)
    {
    }
    bool write(std::string_view utf8) override
    {
        out_.append(utf8);
        return true;
    }

private:
    std::string& out_;
};

// The style sheets a page links from its own folder or one below it, as a
// browser opening the saved page reads them: regular files only (never a
// pipe or a device), nothing from the network, at most 16 MiB each.
markup::SheetLoader LocalStyleSheets(const std::string& inputPath)
{
    if (inputPath.empty())
        return {};
    const QDir folder = QFileInfo(FromLocalBytes(inputPath)).absoluteDir();
    return [root = folder.canonicalPath(), folder](std::string_view href) -> std::optional<std::string> {
        const QUrl url(QString::fromUtf8(href.data(), qsizetype(href.size())));
        if (root.isEmpty() || !url.isValid() || (!url.isRelative() && !url.isLocalFile()) || !url.host().isEmpty())
            return std::nullopt;
        const QString path = url.isLocalFile() ? url.toLocalFile() : url.path(QUrl::FullyDecoded);
        if (path.isEmpty())
            return std::nullopt;
        const QFileInfo file(QDir::isAbsolutePath(path) ? path : folder.filePath(path));
        const QString canonical = file.canonicalFilePath();
        if (canonical.isEmpty() || !canonical.startsWith(root + QLatin1Char('/')))
            return std::nullopt;
        std::string bytes;
        const io::ReadResult read = io::ReadRegularFile(LocalBytes(canonical), bytes, 16 << 20);
        if (read.status != io::ReadResult::Status::Read || read.truncated)
            return std::nullopt;
        return bytes;
    };
}

const char* const MarkupNotReadToItsEnd = "its markup could not be read to its end";

// Why a readable rendering is no text to give: empty when it finished (or was cancelled).
std::string ReadableProblem(const markup::ReadableResult& rendered)
{
    switch (rendered.outcome) {
    case markup::ReadableOutcome::Finished:
    case markup::ReadableOutcome::Cancelled:
        return {};
    case markup::ReadableOutcome::Stopped:
    case markup::ReadableOutcome::SinkFailed:
        // Half a page passed off as the page would hide the loss.
        return MarkupNotReadToItsEnd;
    case markup::ReadableOutcome::Unsupported:
        break;
    }
    return "its encoding (" + markup::DescribeEncoding(rendered.encoding) + ") cannot be decoded here";
}

StripFileResult PrepareReadableText(const std::string& inputPath, const std::string& content, std::string& buffer,
    text::Hook& hook, bool mainText)
{
    StripFileResult result;
    buffer = "From: " + inputPath + "\n";
    markup::ReadableResult rendered;
    if (mainText) {
        std::string text;
        const markup::MainTextResult main = markup::RenderMainText(content, text, hook, LocalStyleSheets(inputPath));
        rendered = main.readable;
        buffer += text;
        result.encoding = markup::DescribeEncoding(rendered.encoding)
            + (main.found ? ", main text" : ", whole page (no main text found)");
    } else {
        AppendingSink sink(buffer);
        rendered = markup::RenderReadableText(content, sink, hook, LocalStyleSheets(inputPath));
        result.encoding = markup::DescribeEncoding(rendered.encoding);
    }
    if (rendered.outcome == markup::ReadableOutcome::Cancelled) {
        result.outcome = text::Outcome::Cancelled;
        return result;
    }
    result.reason = ReadableProblem(rendered);
    if (!result.reason.empty())
        return result;
    if (buffer.back() != '\n')
        buffer += '\n';
    result.written = true;
    return result;
}

} // namespace

StripFileResult PrepareStripText(
    const std::string& inputPath, std::string& buffer, text::Hook& hook, std::size_t maxLength, bool readable,
    bool mainText)
{
    StripFileResult result;
    // Refused by its size alone: reading gigabytes only to drop them helps nobody.
    if (const auto id = io::IdentityOf(inputPath); id && static_cast<std::uint64_t>(id->size) > maxLength) {
        result.reason = "the file is too large";
        return result;
    }
    std::string content;
    const TextRead read = ReadChosenFile(inputPath, content, maxLength, [&hook] {
        hook.yield();
        return !hook.cancelRequested();
    });
    if (read.status == TextRead::Status::Cancelled) {
        result.outcome = text::Outcome::Cancelled;
        return result;
    }
    if (read.status != TextRead::Status::Read || read.truncated) {
        result.reason = read.status != TextRead::Status::Read ? read.reason : "the file is too large";
        return result;
    }
    if (readable) {
        // The markup as it is: its line ends are part of how it reads.
        return PrepareReadableText(inputPath, content, buffer, hook, mainText);
    }

    // The lines are joined in place, so a large file is held once, not twice.
    std::size_t joined = 0;
    const bool whole = io::ForEachLine(content, [&](std::string_view line) {
        hook.yield();
        if (hook.cancelRequested())
            return false;
        std::memmove(content.data() + joined, line.data(), line.size());
        joined += line.size();
        return true;
    });
    if (!whole) {
        result.outcome = text::Outcome::Cancelled;
        return result;
    }
    content.resize(joined);
    const std::string from = "From: " + inputPath + "\r\n";
    // The stripper puts a space in front in place when the text leaves it a
    // character of room; a text grown in place would double its room.
    if (content.capacity() > joined + from.size()) {
        content.insert(0, from); // in place: reading left room
        buffer.swap(content);
    } else {
        buffer.clear();
        buffer.shrink_to_fit();
        buffer.resize(joined + from.size() + 1);
        buffer.resize(joined + from.size());
        std::memcpy(buffer.data(), from.data(), from.size());
        std::memcpy(buffer.data() + from.size(), content.data(), joined);
    }
    content.clear();
    content.shrink_to_fit();

    // A cancelled stripper's half-stripped text would be deleted with the
    // run's outputs anyway; writing nothing keeps any older file of that name.
    const text::StripResult stripped = text::StripTags(buffer, hook);
    if (stripped.outcome == text::Outcome::Cancelled) {
        result.outcome = text::Outcome::Cancelled;
        return result;
    }
    if (stripped.failed) {
        // An empty output would pass off the failure as the file's text.
        result.reason = NotEnoughMemoryToConvert;
        return result;
    }
    buffer += "\r\n";
    result.written = true; // ready to be written
    return result;
}

FileResult OpenOutput(io::ReplacingFile& file, const std::string& outputPath, const OutputPlace& place)
{
    const std::size_t slash = outputPath.rfind('/');
    if (place.folder < 0 || slash == std::string::npos)
        return file.open(outputPath, place.journal);
    return file.open(place.folder, outputPath.substr(0, slash), outputPath.substr(slash + 1), place.journal);
}

StripFileResult WriteStripOutput(
    const std::string& outputPath, const std::string& buffer, text::Hook& hook, const OutputPlace& place)
{
    StripFileResult result;
    // In slices, so that a cancel during the write of a huge output is seen soon.
    constexpr std::size_t Slice = 16 << 20;
    io::ReplacingFile output;
    FileResult written = OpenOutput(output, outputPath, place);
    for (std::size_t at = 0; written && at < buffer.size(); at += Slice) {
        if (at > 0) {
            hook.yield();
            if (hook.cancelRequested()) {
                result.outcome = text::Outcome::Cancelled;
                return result; // the output is abandoned: an older file of that name stays
            }
        }
        written = output.write(std::string_view(buffer).substr(at, Slice));
    }
    if (!written) {
        result.reason = written.reason;
        return result;
    }
    return CommitStripOutput(output);
}

StripFileResult CommitStripOutput(io::ReplacingFile& output)
{
    StripFileResult result;
    // A new output is made durable with the whole run's (see StripFiles).
    const FileResult committed = output.commit(true, false);
    result.written = committed.ok;
    result.reason = committed.reason;
    if (committed)
        result.replacement = output.replacement();
    return result;
}

SourceResult PrepareExtractionSource(
    std::string& text, bool readable, text::Hook& hook, const std::string& inputPath, bool mainText)
{
    SourceResult source;
    if (!readable) {
        source.outOfMemory = text::StripTags(text, hook).failed;
        return source;
    }
    std::string rendered;
    const markup::SheetLoader sheets = LocalStyleSheets(inputPath);
    const markup::ReadableResult result = mainText ? markup::RenderMainText(text, rendered, hook, sheets).readable
                                                   : markup::RenderReadableText(text, rendered, hook, sheets);
    text.swap(rendered);
    source.problem = ReadableProblem(result);
    return source;
}

std::vector<text::ExtractSetup::ListedColumn> MarkupColumns(
    std::string_view markup, text::Hook& hook, std::string* problem)
{
    markup::MarkupLinks found = markup::ReadMarkupLinks(markup, hook);
    if (problem && found.outcome == markup::ReadOutcome::Stopped)
        *problem = MarkupNotReadToItsEnd;
    std::vector<text::ExtractSetup::ListedColumn> columns(2);
    columns[0] = { "Link", std::move(found.links) };
    columns[1] = { "MailTo", std::move(found.mailTos) };
    return columns;
}

} // namespace tamsenor
