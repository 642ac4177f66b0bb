#pragma once

#include "engine/Prompts.h"

#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace tamsenor {

class WindowMemory;

// The window's prompts: Qt message boxes, Qt file dialogs and the output
// directory dialog OutputFolderDialog, all modal over the parent window.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr);

    void setParentWindow(QWidget* parent) { parent_ = parent; }
    // Where the file dialogs start when the user asked to remember folders.
    void setMemory(WindowMemory* memory) { memory_ = memory; }

    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title = {}) override;
    std::optional<QString> openFile(const FileDialogSetup& setup) override;
    std::optional<QString> saveFile(const FileDialogSetup& setup) override;
    QString chooseOutputDirectory() override;

    // "All Files(*.*)|*.*|Text Files(*.txt)|*.txt" as Qt name filters:
    // "All Files(*.*) (*)", "Text Files(*.txt) (*.txt)". "*.*" means every
    // file, as it does for the file list; ";" between patterns becomes a space.
    static QStringList qtNameFilters(const QString& filter);

    // The icon a message box shows. A Yes/No question whose icon the caller
    // left open gets the question mark; the asked icon is otherwise kept.
    static QMessageBox::Icon qtIcon(Icon icon, Buttons buttons);

    // Where a file dialog starts: in `folder` or, failing that, on `file`.
    struct DialogStart {
        QString folder;
        QString file;
    };
    // The name chosen at the dialog control's previous use is offered, as
    // always; a remembered folder for the kind of file takes its place when
    // that name lies elsewhere (or there is none yet).
    static DialogStart dialogStart(const QString& lastChosen, const QString& rememberedFolder);

    // `name` in `folder`, or, when that is taken, the first of name_2,
    // name_3, ... (before the suffix) that is free.
    // Example: ("/r", "results.txt") with /r/results.txt present -> "/r/results_2.txt".
    static QString proposedFile(const QString& folder, const QString& name);

private:
    std::optional<QString> fileDialog(const FileDialogSetup& setup, bool save);

    QPointer<QWidget> parent_;
    QHash<QString, QString> lastChosen_; // per dialog control
    QHash<int, QString> lastFolder_; // per FileKind: the folder of the last file chosen
    WindowMemory* memory_ = nullptr;
};

} // namespace tamsenor
