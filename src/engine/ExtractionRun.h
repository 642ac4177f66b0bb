#pragma once

#include "engine/ChosenFile.h"
#include "engine/RunHost.h"
#include "results/ResultsTable.h"
#include "text/Extract.h"
#include "text/Hook.h"

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamsenor {

// How one file's search went.
struct FileExtractionResult {
    text::FindingsResult findings;
    bool outOfMemory = false; // the stripper ran out of memory: nothing was searched
};

// Strips the HTML of one file's text (in place) and adds its findings to
// `table` as the extraction pass does. Cancelled when the hook asked to stop
// inside the stripper or the pass; the rows added so far stay. Throws
// std::bad_alloc when memory runs out elsewhere and RowsNotKept when the
// table could not move its rows out of memory.
FileExtractionResult ExtractFileText(
    std::string& text, const text::ExtractSetup& setup, ResultsTable& table, text::Hook& hook);

// How the extraction loop ended.
struct ExtractionRunResult {
    enum class Status {
        Finished, // every chosen file was searched or reported
        Cancelled, // Cancel was pressed
        ResultsNotKept, // the results could not go to their temporary file; the loop stopped there
    };
    Status status = Status::Finished;
    std::string folder; // ResultsNotKept: where the temporary file was to be
    std::string reason; // ResultsNotKept: the system's reason
};

// The extraction loop of the Process command over every chosen file: progress,
// caption, reading (a file's problems go to host.fileOutcome as they arise),
// then ExtractFileText into the results table. A file whose pass
// fails is left with the rows it gave and the loop goes on. Unless the caller
// chose another folder, the table moves what outgrows memory into the
// system's temporary folder; when that fails, nothing more is searched.
// `maxLength` is the truncation limit (tests lower it).
ExtractionRunResult ExtractChosenFiles(RunHost& host, std::size_t maxLength = MaxTextLength);

namespace messages {
QString FileHasProblem(const QString& path, const std::string& reason);
QString FileTooLarge(const QString& path);
QString FileNotAppropriate(const QString& path);
QString ResultsNotKept(const QString& folder, const std::string& reason);
QString FindingsCut(const QString& path, const std::string& limit);
// The window's message box for a file's outcome: "has problem" (Unreadable,
// OutOfMemory), "too large" (Truncated), "not appropriate" (NotText) or "were
// cut" (FindingsCut).
QString ForFile(const FileOutcome& outcome);
} // namespace messages

} // namespace tamsenor
