#pragma once

#include "engine/ProcessRun.h"
#include "engine/RunHost.h"
#include "support/FixedClock.h"
#include "support/ScriptedPrompts.h"

#include <QDate>
#include <QTime>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tamsenor::testing {

// A main window without widgets: List2 is a string list, the bars are floats
// with the bars' range rule, and reset() does what the run relies on of
// resetWindow. Every yield can run a scripted action, which is how tests press
// Cancel in the middle of a run.
class FakeRunHost : public RunHost {
public:
    using Rows = std::vector<std::vector<std::optional<std::string>>>;

    FakeRunHost()
        : fixedClock(QDateTime(QDate(2007, 3, 9), QTime(14, 5)))
    {
        sessionState.useKeywords(std::make_shared<KeywordFile>());
        mainState.keywordsLoaded = true;
    }

    // Scripting and inspection.
    ScriptedPrompts dialogs;
    FixedClock fixedClock;
    SessionState sessionState;
    MainState mainState;
    QStringList chosenList;
    bool strip = false;
    QString caption;
    std::vector<float> overallValues; // every value PBProgress took, in order
    std::vector<float> fileValues; // every value PBFProgress took, in order
    int workers = 1; // workerCount()
    std::vector<QString> captions;
    long yields = 0;
    // Runs at every yield (after counting it).
    std::function<void(FakeRunHost&)> onYield;
    // A run that yields this often is taken to loop without progress: the test
    // fails and Cancel is pressed so that it ends.
    long yieldLimit = 2'000'000;
    int resets = 0;
    bool processEnabled = true, exitEnabled = true, cancelEnabled = false;
    // The results table's rows as the reset found them (nullopt: no table).
    std::optional<Rows> rowsAtReset;

    void pressCancel() { CancelProcessing(*this); }
    // Presses Cancel at the first yield at which `when` holds.
    void cancelWhen(std::function<bool(const FakeRunHost&)> when)
    {
        onYield = [when = std::move(when)](FakeRunHost& host) {
            if (!host.mainState.run.cancelRequested && when(host))
                host.pressCancel();
        };
    }

    void addKeyword(const std::string& name, const std::string& position)
    {
        sessionState.keywords()->addNew(name, position);
    }

    // RunHost.
    SessionState& session() override { return sessionState; }
    MainState& state() override { return mainState; }
    Prompts& prompts() override { return dialogs; }
    const Clock& clock() const override { return fixedClock; }
    int chosenCount() const override { return static_cast<int>(chosenList.size()); }
    QString chosenEntry(int index) const override { return chosenList.value(index); }
    void clearChosen() override { chosenList.clear(); }
    bool stripChecked() const override { return strip; }
    void setCommandsEnabled(bool process, bool exit, bool cancel) override
    {
        processEnabled = process;
        exitEnabled = exit;
        cancelEnabled = cancel;
    }
    float overallProgress() const override { return overall_; }
    bool setOverallProgress(float value) override
    {
        if (!inRange(value))
            return false;
        overall_ = value;
        overallValues.push_back(value);
        return true;
    }
    float fileProgress() const override { return file_; }
    bool setFileProgress(float value) override
    {
        if (!inRange(value))
            return false;
        file_ = value;
        fileValues.push_back(value);
        return true;
    }
    void setProgressCaption(const QString& text) override
    {
        caption = text;
        captions.push_back(text);
    }
    void yield() override
    {
        ++yields;
        if (yields == yieldLimit) {
            ADD_FAILURE() << "the run yielded " << yields << " times without ending";
            pressCancel();
        }
        if (onYield)
            onYield(*this);
    }
    int workerCount() const override { return workers; }
    void reset() override
    {
        ++resets;
        rowsAtReset.reset();
        if (mainState.run.results)
            rowsAtReset = mainState.run.results->table.rows();
        mainState.run.results.reset();
        strip = false;
        mainState.settings.strip = false;
        mainState.settings.email = mainState.settings.website = mainState.settings.keyword
            = mainState.run.cancelRequested = false;
        setCommandsEnabled(true, true, false);
        overall_ = file_ = 0.0f;
        chosenList.clear();
        caption.clear();
    }

private:
    static bool inRange(float value) { return value >= 0.0f && value <= 100.0f; }
    float overall_ = 0.0f;
    float file_ = 0.0f;
};

} // namespace tamsenor::testing
