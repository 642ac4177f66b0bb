#pragma once

#include "engine/Prompts.h"
#include "engine/RunHost.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tamsenor {

// The main window as the command-line companion plays it: List2 is a plain
// list, the bars are numbers with the bars' range rule, and every question is
// answered as a user who wants the run done would answer it (OK, Yes, the
// output directory given on the command line). The chosen files' outcomes are
// recorded for the summary.
class BatchHost : public RunHost, public Prompts {
public:
    explicit BatchHost(QStringList chosen = {});

    // Set-up by the caller.
    void setStripChecked(bool checked) { strip_ = checked; }
    void setOutputDirectory(const QString& directory) { outputDirectory_ = directory; }
    void setClock(const Clock& clock) { clock_ = &clock; }
    void setWorkerCount(int workers) { workers_ = workers; }
    // Runs when a chosen file's caption is shown: its index in the list, the
    // list's count, and the caption ("<path> ( <size>k )").
    std::function<void(int index, int count, const QString& caption)> onFile;
    // Asked at every yield; true presses Cancel (an interrupt from the terminal).
    std::function<bool()> interrupted;

    const std::vector<FileOutcome>& fileOutcomes() const { return outcomes_; }
    // The chosen files as the run started (the run empties List2 when it ends).
    const QStringList& chosen() const { return chosen_; }

    // RunHost.
    SessionState& session() override { return session_; }
    MainState& state() override { return state_; }
    Prompts& prompts() override { return *this; }
    const Clock& clock() const override { return *clock_; }
    int chosenCount() const override { return static_cast<int>(chosenList_.size()); }
    QString chosenEntry(int index) const override;
    void clearChosen() override { chosenList_.clear(); }
    bool stripChecked() const override { return strip_; }
    void setCommandsEnabled(bool, bool, bool) override { }
    float overallProgress() const override { return overall_; }
    bool setOverallProgress(float value) override;
    float fileProgress() const override { return file_; }
    bool setFileProgress(float value) override;
    void setProgressCaption(const QString& text) override;
    void yield() override;
    void fileOutcome(const FileOutcome& outcome) override { outcomes_.push_back(outcome); }
    void reset() override;
    int workerCount() const override { return workers_; }

    // Prompts.
    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title = {}) override;
    std::optional<QString> openFile(const FileDialogSetup&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogSetup&) override { return std::nullopt; }
    QString chooseOutputDirectory() override { return outputDirectory_; }

private:
    SessionState session_;
    MainState state_;
    SystemClock systemClock_;
    const Clock* clock_ = &systemClock_;
    QStringList chosen_;
    QStringList chosenList_;
    bool strip_ = false;
    int workers_ = 1;
    QString outputDirectory_;
    float overall_ = 0.0f;
    float file_ = 0.0f;
    mutable int current_ = -1;
    std::vector<FileOutcome> outcomes_;
};

} // namespace tamsenor
