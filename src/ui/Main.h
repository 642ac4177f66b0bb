#pragma once

#include "engine/Clock.h"
#include "engine/ProgramState.h"
#include "engine/Prompts.h"
#include "engine/RunHost.h"
#include "ui/toolkit/StretchPlacer.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

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
class HelpWindow;
class KeywordCommands;
class ListBox;
class ProgressBar;
class ResultsWindow;
class WindowMemory;

// The main window. It owns the program-wide globals and its own state record,
// lays out its controls, runs the reset (Form_Load), the option switches and
// Exit, and serves a processing run as its host.
class Main : public QWidget, public RunHost {
    Q_OBJECT
public:
    Main(Prompts& prompts, const Clock& clock, QWidget* parent = nullptr);
    ~Main() override;

    // The start routine and the reset after every run.
    void Form_Load();
    // List3 anew from the keyword table, one entry per record in table order.
    void RefillKeywordList();

    // What the window keeps between starts of the program, when the user
    // turns remembering on: its size and place now, the folders of the file
    // dialogs through the prompts. Without one nothing is remembered.
    void setMemory(WindowMemory* memory);

    // The usage page (F1) and the About page, beside the window.
    void showHelp();
    void showAbout();

    // Who shows a file in the browser (CmdBrowse, double click on a file).
    void setBrowserOpener(std::function<void(const QString&)> opener);

    // Exit: asks, and closes on Yes.
    void CmdEnd_Click();

    FileChooser& fileChooser() { return *chooser_; }
    KeywordCommands& keywordCommands() { return *keywordCommands_; }
    ChosenFilesDrop& chosenFilesDrop() { return *drop_; }
    // Between the Process command's start and its reset.
    bool runGoingOn() const;

    // RunHost
    Module1& globals() override { return module1_; }
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
    void yield() override;
    void reset() override;
    int workerCount() const override;
    bool showResults() override;

    // The results window of the last run, while it is open.
    ResultsWindow* resultsWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void wireRules();
    void arrangeGrowth();
    void orderTabs();
    void ChkStrip_Click(bool checked);
    void ChkWebsite_Click(bool checked);
    void ChkEmail_Click(bool checked);
    void ChkKeyword_Click(bool checked);
    void setKeywordButtonsEnabled(bool enabled);
    void CmdProcess_Click();
    void CmdBrowse_Click();
    void openInBrowser(const QString& path);
    void showPage(QPointer<HelpWindow>& page, const QString& name, const QString& title, const QString& html);

    Prompts& prompts_;
    const Clock& clock_;
    Module1 module1_;
    MainState state_;
    std::function<void(const QString&)> browserOpener_;
    bool running_ = false;
    bool closePending_ = false;
    bool closed_ = false;

    // Controls, named as their objectName.
    QGroupBox* Frame1 = nullptr;
    DirList* Dir1 = nullptr;
    DriveList* Drive1 = nullptr;
    ListBox* List1 = nullptr;
    FileList* File1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* CmdAdd = nullptr;
    QGroupBox* Frame2 = nullptr;
    ListBox* List2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* CmdRfrs = nullptr;
    QPushButton* CmdSelectAll1 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* CmdSelectall2 = nullptr;
    QPushButton* CmdDele = nullptr;
    ElidingLabel* LblProgress = nullptr;
    QGroupBox* Frame3 = nullptr;
    CheckBox* ChkKeyword = nullptr;
    CheckBox* ChkStrip = nullptr;
    CheckBox* ChkWebsite = nullptr;
    CheckBox* ChkEmail = nullptr;
    ListBox* List3 = nullptr;
    QPushButton* CmdUP = nullptr;
    QPushButton* CmdDown = nullptr;
    QPushButton* CmdAddKW = nullptr;
    QPushButton* CmdOpenKW = nullptr;
    QPushButton* CmdPropertyKW = nullptr;
    QPushButton* CmdSaveKW = nullptr;
    QPushButton* CmdKWClear = nullptr;
    QPushButton* CmdDeleKW = nullptr;
    ProgressBar* PBFProgress = nullptr;
    ProgressBar* PBProgress = nullptr;
    QPushButton* CmdProcess = nullptr;
    QPushButton* CmdCancel = nullptr;
    QPushButton* CmdEnd = nullptr;
    QPushButton* CmdBrowse = nullptr;
    QPushButton* CmdHelp = nullptr;
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
