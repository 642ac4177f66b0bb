#pragma once

#include "engine/Clock.h"
#include "engine/Prompts.h"
#include "engine/SessionState.h"

#include <QString>

#include <string>

namespace tamsenor {

// What became of one chosen file of an extraction run, when it was not simply
// searched to its end. A file may give two: Truncated as it is read, then
// NotText when it proves to be no text.
struct FileOutcome {
    enum class Kind {
        Unreadable, // it could not be opened; skipped
        Truncated, // longer than MaxTextLength: only its first bytes are searched
        NotText, // it cannot be read as text to its end; skipped
        OutOfMemory, // its search ran out of memory; the rows it gave so far stay
        FindingsCut, // its findings reached their bound (`reason`: the bytes); the rows before stay
    };
    QString path;
    Kind kind = Kind::Unreadable;
    std::string reason; // Unreadable, OutOfMemory: why (local 8-bit bytes); FindingsCut: the bound
};

// What a processing run needs of the main window. The window implements it
// over its controls; the batch tool and engine tests implement it plainly.
class RunHost {
public:
    virtual ~RunHost() = default;

    virtual SessionState& session() = 0;
    virtual MainState& state() = 0;
    virtual Prompts& prompts() = 0;
    virtual const Clock& clock() const = 0;

    // List2: the chosen files, full paths, in list order.
    virtual int chosenCount() const = 0;
    virtual QString chosenEntry(int index) const = 0;
    virtual void clearChosen() = 0;

    // Whether ChkStrip is checked at this moment.
    virtual bool stripChecked() const = 0;

    // Enabled states of CmdProcess, CmdEnd and CmdCancel.
    virtual void setCommandsEnabled(bool process, bool exit, bool cancel) = 0;

    // PBProgress and PBFProgress: 0..100, single precision; setting a value
    // outside the range fails (returns false) and keeps the old value.
    virtual float overallProgress() const = 0;
    virtual bool setOverallProgress(float value) = 0;
    virtual float fileProgress() const = 0;
    virtual bool setFileProgress(float value) = 0;

    // LblProgress.
    virtual void setProgressCaption(const QString& text) = 0;
    // Where the run is, with each new caption: file `file` (from 1) of `count`.
    virtual void setRunPlace(int file, int count)
    {
        (void)file;
        (void)count;
    }

    // Lets the window process pending events (repaints, the Cancel click).
    virtual void yield() = 0;

    // A chosen file's outcome, at the moment the run meets it. By default the
    // window's message box (see messages::ForFile).
    virtual void fileOutcome(const FileOutcome& outcome);

    // resetWindow as the reset routine.
    virtual void reset() = 0;

    // How many threads may read and strip chosen files ahead of the run.
    virtual int workerCount() const { return 1; }

    // At the end of an extraction run, in place of the save question: true
    // when the host has taken the results to show them itself (saved or
    // discarded from there). By default it leaves them to the question.
    virtual bool showResults() { return false; }
};

} // namespace tamsenor
