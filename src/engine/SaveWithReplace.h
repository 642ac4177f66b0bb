#pragma once

#include "engine/Prompts.h"
#include "io/FileResult.h"

#include <QString>

#include <functional>
#include <string>

namespace tamsenor {

enum class SaveOutcome { Saved, Cancelled };

// How one kind of file is saved through the save dialog.
struct SaveSteps {
    FileDialogSetup dialog;
    // Runs for every name the user chooses, before anything is checked.
    std::function<void(const QString& path)> chosen;
    // Why `path` must never be written (told as is, and the dialog comes
    // back); empty when it may be. None: every path may be.
    std::function<QString(const QString& path)> refusal;
    // Whether a name that is taken (by any entry: a file, a directory, a
    // dangling link) needs the user's Yes before it is written.
    bool askBeforeReplacing = true;
    std::function<FileResult(const QString& path)> write;
    // The message of a failed write.
    std::function<QString(const QString& path, const std::string& reason)> notSaved;
};

// The save dialog until the user names a file (its suffix added when
// steps.dialog asks for one) that may be written and that
// is not taken or that the user agrees to replace, then the write. A write
// that fails is told (critical) and the dialog comes back. Cancelled when the
// user cancelled the dialog; nothing was written then.
// Example: a taken name answered No brings the dialog back; answered Yes, it
// is written.
SaveOutcome SaveWithReplaceQuestion(Prompts& prompts, const SaveSteps& steps);

// `path` with "." and `suffix` added when its file name has no suffix of
// its own (a leading dot does not count); unchanged otherwise.
// Example: ("/r/out", "csv") -> "/r/out.csv"; ("/r/out.txt", "csv") -> "/r/out.txt".
QString WithSuffix(const QString& path, const QString& suffix);

namespace messages {
QString ReplaceQuestion(const QString& path);
} // namespace messages

} // namespace tamsenor
