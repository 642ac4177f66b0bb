#include "engine/StripRun.h"

#include "engine/HostHook.h"
#include "engine/LocalText.h"
#include "engine/RunProgress.h"
#include "io/Files.h"
#include "text/StripTags.h"

#include <new>
#include <unistd.h>

namespace tamsenor {

QString StripOutputName(const QString& chosenPath)
{
    QString name = chosenPath.mid(chosenPath.lastIndexOf(QLatin1Char('/')) + 1);
    name.remove(QLatin1Char('.'));
    return name + QStringLiteral(".txt");
}

QString StripOutputPath(const QString& directory, const QString& chosenPath, const QStringList& writtenThisRun)
{
    QString stem = StripOutputName(chosenPath);
    stem.chop(4); // ".txt"
    const QString base = directory + QLatin1Char('/') + stem;
    QString path = base + QStringLiteral(".txt");
    for (int n = 2; writtenThisRun.contains(path); ++n)
        path = base + QStringLiteral("_%1.txt").arg(n);
    return path;
}

StripFileResult StripOneFile(const std::string& inputPath, const std::string& outputPath, std::string& buffer,
    text::Hook& hook, std::size_t maxLength)
{
    StripFileResult result;
    std::string content;
    const TextRead read = ReadChosenFile(inputPath, content, maxLength);
    if (read.status != TextRead::Status::Read || read.truncated) {
        result.reason = read.status != TextRead::Status::Read ? read.reason : "the file is too large";
        return result;
    }

    buffer = "From: " + inputPath + "\r\n";
    for (const std::string& line : io::SplitLines(content)) {
        hook.yield();
        if (hook.cancelRequested()) {
            result.outcome = text::Outcome::Cancelled;
            return result;
        }
        buffer += line;
    }
    content.clear();
    content.shrink_to_fit();

    // A cancelled stripper's half-stripped text would be deleted with the
    // run's outputs anyway; writing nothing keeps any older file of that name.
    if (text::StripTags(buffer, hook).outcome == text::Outcome::Cancelled) {
        result.outcome = text::Outcome::Cancelled;
        return result;
    }
    buffer += "\r\n";
    const FileResult written = io::WriteWholeFile(outputPath, buffer);
    result.written = written.ok;
    result.reason = written.reason;
    return result;
}

StripRunResult StripFiles(RunHost& host)
{
    MainState& state = host.state();
    const QString directory = host.globals().StripOutputDir;
    HostHook hook(host);
    StripRunResult run;
    const int count = host.chosenCount();
    const int step = StripProgressStep(count);

    for (int i = 0; i < count; ++i) {
        host.yield();
        if (state.CancelRequested == 1) {
            run.outcome = text::Outcome::Cancelled;
            return run;
        }
        if (host.overallProgress() < 99.5f)
            host.setOverallProgress(host.overallProgress() + static_cast<float>(step));

        const QString path = host.chosenEntry(i);
        const std::string input = LocalBytes(path);
        std::string reason;
        StripFileResult file;
        if (const auto size = ChosenFileSize(input, &reason)) {
            host.setProgressCaption(ProgressCaption(path, size));
            state.TextBuffer.clear();
            host.setFileProgress(0.0f);
            const QString output = StripOutputPath(directory, path, state.StripOutputFiles);
            try {
                file = StripOneFile(input, LocalBytes(output), state.TextBuffer, hook);
            } catch (const std::bad_alloc&) {
                file.reason = "there is not enough memory to convert it";
            }
            if (file.outcome == text::Outcome::Cancelled) {
                run.outcome = text::Outcome::Cancelled;
                return run;
            }
            if (file.written) {
                state.StripOutputFiles.append(output);
                host.yield();
            }
            reason = file.reason;
        }
        if (!file.written)
            run.skipped.push_back({ path, FromLocalBytes(reason) });

        if (state.CancelRequested == 1) {
            run.outcome = text::Outcome::Cancelled;
            return run;
        }
    }

    host.setFileProgress(0.0f);
    host.setOverallProgress(0.0f);
    host.clearChosen();
    return run;
}

void DeleteStripOutputs(const QStringList& outputs, const std::function<void()>& yield)
{
    // Thousands of deletions take a noticeable while: let the window repaint now and then.
    constexpr int YieldEvery = 64;
    int count = 0;
    for (const QString& output : outputs) {
        if (output.isEmpty())
            continue;
        ::unlink(LocalBytes(output).c_str());
        if (yield && ++count % YieldEvery == 0)
            yield();
    }
}

QString messages::FilesNotConverted(const std::vector<SkippedFile>& skipped)
{
    constexpr std::size_t MaxListed = 20;
    QString text = QStringLiteral("These files could not be converted:");
    for (std::size_t i = 0; i < skipped.size() && i < MaxListed; ++i)
        text += QStringLiteral("\r\n") + skipped[i].path + QStringLiteral(": ") + skipped[i].reason;
    if (skipped.size() > MaxListed)
        text += QStringLiteral("\r\n... and %1 more").arg(skipped.size() - MaxListed);
    return text;
}

} // namespace tamsenor
