#pragma once

// The ui layer (src/ui): the windows and dialogs, and the host that shows a run in them.

#include "engine/Clock.h"
#include "engine/Prompts.h"
#include "engine/RunHost.h"
#include "engine/SessionState.h"
#include "ui/toolkit/ControlTable.h"
#include "ui/toolkit/StretchPlacer.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QShortcut;

namespace tamsenor {

class CheckBox;
class ChosenFilesDrop;
class DirList;
class DriveList;
class ElidingLabel;
class FileChooser;
class FileList;
class FramePacer;
class HelpWindow;
class KeywordCommands;
class ListBox;
class PacedCall;
class ProgressBar;
class ResultsWindow;
class WindowMemory;

// The main window. It owns the program-wide session and its own state record,
// lays out its controls, runs the reset (resetWindow), the option switches and
// Exit, and serves a processing run as its host.
class MainWindow : public QWidget, public RunHost {
    Q_OBJECT
public:
    MainWindow(Prompts& prompts, const Clock& clock, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start routine and the reset after every run.
    void resetWindow();
    // keywordList_ anew from the keyword table, one entry per record in table order.
    void refillKeywordList();

    // What the window keeps between starts of the program, when the user
    // turns remembering on: its size and place now, the folders of the file
    // dialogs through the prompts. Without one nothing is remembered.
    void setMemory(WindowMemory* memory);

    // The usage page (F1) and the About page, beside the window.
    void showHelp();
    void showAbout();

    // Who shows a file in the browser (browseButton_, double click on a file).
    void setBrowserOpener(std::function<void(const QString&)> opener);

    // Exit: asks, and closes on Yes.
    void askToExit();

    FileChooser& fileChooser() { return *chooser_; }
    ChosenFilesDrop& chosenFilesDrop() { return *drop_; }
    // Between the Process command's start and its reset.
    bool runGoingOn() const;

    // RunHost
    SessionState& session() override { return session_; }
    MainState& state() override { return state_; }
    Prompts& prompts() override { return prompts_; }
    const Clock& clock() const override { return clock_; }
    int chosenCount() const override;
    QString chosenEntry(int index) const override;
    void clearChosen() override;
    bool stripChecked() const override;
    void setCommandsEnabled(bool process, bool exit, bool cancel) override;
    float overallProgress() const override;
    bool setOverallProgress(float value) override;
    float fileProgress() const override;
    bool setFileProgress(float value) override;
    void setProgressCaption(const QString& text) override;
    void setRunPlace(int file, int count) override;
    void yield() override;
    void reset() override;
    int workerCount() const override;
    bool showResults() override;

    // The results window of the last run, while it is open.
    ResultsWindow* resultsWindow() const;

    // The window's controls as drawn, one row each in the order they are made;
    // `keep` stores the made control in the member named after it.
    struct Control {
        ControlRow row;
        void (*keep)(MainWindow&, QWidget*) = nullptr;
    };
    static const std::vector<Control>& controls();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void wireRules();
    void arrangeGrowth();
    void orderTabs();
    void stripSwitched(bool checked);
    void websiteSwitched(bool checked);
    void emailSwitched(bool checked);
    void linksSwitched(bool checked);
    void readableSwitched(bool checked);
    void mainTextSwitched(bool checked);
    void keywordSwitched(bool checked);
    void setKeywordButtonsEnabled(bool enabled);
    void startProcessing();
    void browseChosenFile();
    void openInBrowser(const QString& path);
    void showPage(QPointer<HelpWindow>& page, const QString& name, const QString& title, const QString& html);
    void showRunPlaceInTitle();

    // The title follows a run at most once a second: screen readers hear it.
    static constexpr int TitleMs = 1000;

    Prompts& prompts_;
    const Clock& clock_;
    SessionState session_;
    MainState state_;
    std::function<void(const QString&)> browserOpener_;
    bool running_ = false;
    int runFile_ = 0; // the run's place: file runFile_ (from 1) of runCount_; 0 between runs
    int runCount_ = 0;
    FramePacer* framePacer_ = nullptr;
    PacedCall* titlePacer_ = nullptr;
    bool closePending_ = false;
    bool closed_ = false;

    // Controls, named as their objectName.
    QGroupBox* fileFrame_ = nullptr;
    DirList* folderList_ = nullptr;
    DriveList* driveList_ = nullptr;
    ListBox* fileList_ = nullptr;
    FileList* patternList_ = nullptr;
    QLabel* extensionLabel_ = nullptr;
    QComboBox* extensionBox_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QGroupBox* chosenFrame_ = nullptr;
    ListBox* chosenList_ = nullptr;
    QLabel* fileCountLabel_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPushButton* selectAllButton_ = nullptr;
    QLabel* chosenCountLabel_ = nullptr;
    QPushButton* clearChosenButton_ = nullptr;
    QPushButton* deselectButton_ = nullptr;
    ElidingLabel* progressLabel_ = nullptr;
    QGroupBox* settingsFrame_ = nullptr;
    CheckBox* keywordsCheck_ = nullptr;
    CheckBox* stripCheck_ = nullptr;
    CheckBox* websiteCheck_ = nullptr;
    CheckBox* emailCheck_ = nullptr;
    CheckBox* linksCheck_ = nullptr;
    CheckBox* readableCheck_ = nullptr;
    CheckBox* mainTextCheck_ = nullptr;
    ListBox* keywordList_ = nullptr;
    QPushButton* keywordUpButton_ = nullptr;
    QPushButton* keywordDownButton_ = nullptr;
    QPushButton* newKeywordButton_ = nullptr;
    QPushButton* openKeywordsButton_ = nullptr;
    QPushButton* keywordPropertyButton_ = nullptr;
    QPushButton* saveKeywordsButton_ = nullptr;
    QPushButton* clearKeywordsButton_ = nullptr;
    QPushButton* deleteKeywordButton_ = nullptr;
    ProgressBar* fileProgressBar_ = nullptr;
    ProgressBar* overallProgressBar_ = nullptr;
    QPushButton* processButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QAction* rememberAction_ = nullptr;
    QAction* previewAction_ = nullptr;
    QPointer<ResultsWindow> resultsWindow_;
    QPointer<HelpWindow> help_;
    QPointer<HelpWindow> about_;
    WindowMemory* memory_ = nullptr;

    std::unique_ptr<FileChooser> chooser_;
    std::unique_ptr<KeywordCommands> keywordCommands_;
    std::unique_ptr<ChosenFilesDrop> drop_;
    QShortcut* escape_ = nullptr;
    // How the window and each frame share out room beyond their drawn size.
    StretchPlacer windowGrowth_;
    StretchPlacer frame1Growth_;
    StretchPlacer frame2Growth_;
    StretchPlacer frame3Growth_;
};

} // namespace tamsenor
