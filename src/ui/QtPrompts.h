#pragma once

#include "engine/Prompts.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace tamsenor {

// The window's prompts: Qt message boxes, Qt file dialogs and the output
// directory dialog FrmSHD, all modal over the parent window.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr);

    void setParentWindow(QWidget* parent) { parent_ = parent; }

    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title = {}) override;
    std::optional<QString> openFile(const FileDialogSetup& setup) override;
    std::optional<QString> saveFile(const FileDialogSetup& setup) override;
    QString chooseOutputDirectory() override;

    // "All Files(*.*)|*.*|Text Files(*.txt)|*.txt" as Qt name filters:
    // "All Files(*.*) (*)", "Text Files(*.txt) (*.txt)". "*.*" means every
    // file, as it does for the file list; ";" between patterns becomes a space.
    static QStringList qtNameFilters(const QString& filter);

private:
    std::optional<QString> fileDialog(const FileDialogSetup& setup, bool save);

    QPointer<QWidget> parent_;
    QHash<QString, QString> lastChosen_; // per dialog control
};

} // namespace tamsenor
