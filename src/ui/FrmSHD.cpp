#include "ui/FrmSHD.h"

#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"
#include "ui/toolkit/Twips.h"

#include "ui/toolkit/Folders.h"

#include <QGroupBox>
#include <QPushButton>

namespace tamsenor {

FrmSHD::FrmSHD(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , prompts_(prompts)
{
    setObjectName(QStringLiteral("FrmSHD"));
    setWindowTitle(QStringLiteral("Stripping HTML Tags Directory"));
    setModal(true);
    const double s = fontScale(font());
    setFixedSize(twips(4200, s), twips(3345, s));

    frame1_ = new QGroupBox(QStringLiteral("Directory"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    placeTwips(frame1_, 240, 0, 3735, 2415, s);

    dir1_ = new DirList(frame1_);
    dir1_->setObjectName(QStringLiteral("Dir1"));
    dir1_->setAccessibleName(QStringLiteral("Directories"));
    placeTwips(dir1_, 360, 480, 3015, 1215, s);

    drive1_ = new DriveList(frame1_);
    drive1_->setObjectName(QStringLiteral("Drive1"));
    drive1_->setAccessibleName(QStringLiteral("Drives"));
    placeTwips(drive1_, 360, 1800, 3015, 315, s);

    command1_ = new QPushButton(QStringLiteral("OK"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setDefault(true);
    placeTwips(command1_, 720, 2640, 855, 255, s);

    command2_ = new QPushButton(QStringLiteral("Cancel"), this);
    command2_->setObjectName(QStringLiteral("Command2"));
    placeTwips(command2_, 2520, 2640, 855, 255, s);

    // Opening shows the working directory and its drive; no rule runs for that.
    const QString cwd = WorkingFolder();
    drive1_->setDrive(drive1_->driveOf(cwd));
    dir1_->setPath(cwd);

    connect(command1_, &QPushButton::clicked, this, &FrmSHD::Command1_Click);
    connect(command2_, &QPushButton::clicked, this, &FrmSHD::Command2_Click);
    connect(drive1_, &DriveList::driveChanged, this, &FrmSHD::Drive1_Change);
}

void FrmSHD::Command1_Click()
{
    stripOutputDir_ = dir1_->path();
    accept();
}

void FrmSHD::Command2_Click()
{
    stripOutputDir_.clear();
    reject();
}

void FrmSHD::Drive1_Change()
{
    const QString root = drive1_->drive();
    // A drive's own current directory: the working directory when it lies on
    // that drive, its root otherwise. The process's directory is not changed.
    const QString cwd = WorkingFolder();
    const QString target = drive1_->driveOf(cwd) == root ? cwd : root;
    if (dir1_->setPath(target))
        return;
    prompts_.message(dir1_->lastError(), Icon::None, Buttons::Ok);
    prompts_.message(QStringLiteral("The drive is not ready."), Icon::Exclamation, Buttons::Ok);
    if (returning_)
        return; // the working directory's drive failed too: stop instead of asking forever
    returning_ = true;
    drive1_->setDrive(drive1_->driveOf(cwd));
    returning_ = false;
}

} // namespace tamsenor
