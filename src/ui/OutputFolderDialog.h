#pragma once

#include "engine/Prompts.h"

#include <QDialog>

class QGroupBox;
class QPushButton;

namespace tamsenor {

class DirList;
class DriveList;

// The output directory dialog of a strip run. Its one result is the chosen
// directory: Dir1's path after OK, the empty text after Cancel or the close
// box. Browsing in it never changes the process's working directory.
class OutputFolderDialog : public QDialog {
    Q_OBJECT
public:
    explicit OutputFolderDialog(Prompts& prompts, QWidget* parent = nullptr);

    const QString& stripOutputDir() const { return stripOutputDir_; }

    DirList* folderList() const { return folderList_; }
    DriveList* driveList() const { return driveList_; }

    void acceptFolder(); // OK
    void cancelChoice(); // Cancel
    void driveChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Prompts& prompts_;
    QString stripOutputDir_;
    bool returning_ = false;

    QGroupBox* frame_ = nullptr;
    DirList* folderList_ = nullptr;
    DriveList* driveList_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace tamsenor
