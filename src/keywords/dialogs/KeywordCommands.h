#pragma once

#include "engine/ProgramState.h"
#include "engine/Prompts.h"

#include <QListWidget>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace tamsenor {

class FrmProperty;

// The keyword list commands and keyword file commands of the main window.
// The window owns the controls and wires each button's click to one method.
class KeywordCommands {
public:
    KeywordCommands(QWidget* mainWindow, Module1& globals, Prompts& prompts, QListWidget* list3,
                    std::function<void()> refillKeywordList);

    void New();       // CmdAddKW: FrmPreAdd, modal
    void Delete();    // CmdDeleKW
    void Clear();     // CmdKWClear
    void Property();  // CmdPropertyKW: FrmProperty, not modal
    void Up();        // CmdUP
    void Down();      // CmdDown
    void Open();      // CmdOpenKW
    void Save();      // CmdSaveKW
    // The save question when the main window closes; never stops the closing.
    void SaveQuestionAtExit();

    // The open FrmProperty, if any (tests reach it here).
    FrmProperty* openProperty() const;

private:
    QWidget* main_;
    Module1& globals_;
    Prompts& prompts_;
    QListWidget* list3_;
    std::function<void()> refill_;
    QPointer<FrmProperty> property_;
};

} // namespace tamsenor
