#pragma once

// The keyword dialogs (src/ui/keywords): the dialogs that collect keywords and the commands that check and store them.

#include "engine/SessionState.h"
#include "engine/Prompts.h"

#include <QListWidget>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QDialog;

namespace tamsenor {

class KeywordPropertiesDialog;

// The keyword list commands and keyword file commands of the main window.
// The window owns the controls and wires each button's click to one method.
class KeywordCommands {
public:
    KeywordCommands(QWidget* mainWindow, SessionState& session, Prompts& prompts, QListWidget* keywordList,
        std::function<void()> refillKeywordList);
    ~KeywordCommands(); // closes an open KeywordPropertiesDialog, which stores through this object
    KeywordCommands(const KeywordCommands&) = delete;
    KeywordCommands& operator=(const KeywordCommands&) = delete;

    void New(); // CmdAddKW: KeywordSourceDialog, modal
    void Delete(); // CmdDeleKW
    void Clear(); // CmdKWClear
    void Property(); // CmdPropertyKW: KeywordPropertiesDialog, not modal
    void Up(); // CmdUP
    void Down(); // CmdDown
    void Open(); // CmdOpenKW
    void Save(); // CmdSaveKW
    // The save question when the main window closes; never stops the closing.
    void SaveQuestionAtExit();

    // The open KeywordPropertiesDialog, if any (tests reach it here).
    KeywordPropertiesDialog* openProperty() const;

    // Runs a modal dialog until it closes. The window uses QDialog::exec (the
    // default); tests replace it with a function that fills in and clicks the
    // dialog, so that nothing waits for a person.
    using ModalRunner = std::function<void(QDialog&)>;
    void setModalRunner(ModalRunner runner) { runModal_ = std::move(runner); }

private:
    // While KeywordPropertiesDialog is open the commands that delete, move or replace
    // keywords would pull its record from under it: they bring it to the front
    // and do nothing else.
    bool propertyBlocks() const;
    int selectedIndex() const; // -1 when no entry of List3 is selected
    void addNewKeyword(QWidget* over);
    void mergeSavedFile();
    // Loads `path` as the keyword file of a new KeywordFile, telling the user
    // what could not be read; nothing when the file could not be read at all.
    std::shared_ptr<KeywordFile> loadKeywordFile(const QString& path);
    // The save dialog and WriteToFile, again after each failed write; false
    // when the user cancelled.
    bool saveWithDialog(bool askBeforeReplacing);

    QWidget* main_;
    SessionState& session_;
    Prompts& prompts_;
    QListWidget* keywordList_;
    std::function<void()> refill_;
    QPointer<KeywordPropertiesDialog> property_;
    ModalRunner runModal_;
};

} // namespace tamsenor
