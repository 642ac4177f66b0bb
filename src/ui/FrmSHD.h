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
class FrmSHD : public QDialog {
    Q_OBJECT
public:
    explicit FrmSHD(Prompts& prompts, QWidget* parent = nullptr);

    const QString& stripOutputDir() const { return stripOutputDir_; }

    DirList* dir1() const { return dir1_; }
    DriveList* drive1() const { return drive1_; }

    void Command1_Click(); // OK
    void Command2_Click(); // Cancel
    void Drive1_Change();

private:
    Prompts& prompts_;
    QString stripOutputDir_;
    bool returning_ = false;

    QGroupBox* frame1_ = nullptr;
    DirList* dir1_ = nullptr;
    DriveList* drive1_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
};

} // namespace tamsenor
