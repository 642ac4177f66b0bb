#pragma once

// The companion (batch): tamsenor-batch's options, its host of the run and the run it drives.

#include "batch/BatchHost.h"
#include "engine/StripRun.h"
#include "results/ResultsExport.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamsenor {

// Orders paths the way List2 holds them when they are added one after the
// other in the given order: each goes to its sorted place with letters
// compared without regard to case, after any entry that compares equal.
// Example: "/d/b", "/d/A", "/d/a" -> "/d/A", "/d/a", "/d/b".
QStringList InChosenListOrder(QStringList paths);

struct ChosenFiles {
    QStringList paths; // full paths, in List2 order
    QStringList problems; // each argument that names nothing to process, and why
    QStringList notes; // subfolders that could not be listed (their files are left out)
};

struct ChooseRules {
    // A folder stands for the files of its whole tree; hidden folders and
    // links to folders are not entered, so the walk always ends.
    bool recursive = false;
    // Which file names of a folder count; every one when empty. Files named
    // as arguments count whatever their names.
    std::function<bool(const QString& name)> accept;
};

// The chosen-files list after adding every argument as the file chooser
// would: a directory stands for its ordinary, non-hidden files (joined to the
// directory's absolute path by "/"), a file for itself with its absolute
// path. An argument that does not exist, a directory that cannot be listed and
// anything else that is no ordinary file are named in `problems`, and the
// other arguments are chosen all the same.
ChosenFiles ChooseFiles(const QStringList& arguments, const ChooseRules& rules = {});

struct BatchSettings {
    bool strip = false;
    QString outputDirectory; // strip mode: as the output directory dialog returns it
    bool web = false;
    bool email = false;
    bool links = false; // the Link and MailTo columns, from each file's markup
    bool readable = false; // the text as a browser shows it: the outputs, or what the extractors search
    bool mainText = false; // with readable: only the page's main text
    std::optional<QString> keywordFile; // switches keyword extraction on
    QString resultsPath; // extraction mode
    ResultsFormat resultsFormat = ResultsFormat::Tsv; // how resultsPath is written
    // When set, the results go here, in pieces, instead of to resultsPath
    // (standard output); what outgrows memory waits in the temporary folder.
    std::function<FileResult(std::string_view)> writeResults;
    std::optional<std::string> processTime; // fixes the "ProcessTime" text (local 8-bit bytes)
    int jobs = 1; // threads that read and strip ahead
};

struct BatchRunResult {
    enum class Status {
        Finished,
        Rejected,
        Cancelled,
        ResultsNotSaved,
        NotDurable,
        OutOfMemory, // a step of the run itself ran out of memory; nothing else is reported
        Failed, // a step of the run failed otherwise; `error` says how
    };
    Status status = Status::Finished;
    QString error; // Rejected, ResultsNotSaved, NotDurable, Failed: why
    QStringList written; // the output files (strip mode) or the results file, in order
    std::vector<SkippedFile> skipped; // in list order, with the reasons
    std::vector<QString> notes; // what the user should know besides (a truncated file)
    bool cut = false; // a file's findings were cut at their bound (told in a note)
    std::size_t findings = 0; // extraction mode: rows below the header
    std::vector<QString> encodings; // readable strip: "input: encoding" per output, in order
    UndoReport undo; // a cancelled strip run: what was taken back, and what could not be
};

// Runs the chosen files of `host` through the same checks, loops and writers as
// the Process command, with the switches of `settings`: strip mode writes the
// outputs into the output directory, extraction mode writes the results file
// (replacing it) instead of asking. A refused run says why in words of its
// own (the window's messages name window controls). A cancelled strip run
// deletes its outputs; a cancelled extraction run writes nothing, and cancel
// is honoured while the keyword file loads and the checks run.
BatchRunResult RunBatch(BatchHost& host, const BatchSettings& settings);

} // namespace tamsenor
