#include "ui/OutputFolderDialog.h"

#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"
#include "ui/toolkit/Twips.h"

#include "ui/toolkit/Folders.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>

namespace tamsenor {

OutputFolderDialog::OutputFolderDialog(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , prompts_(prompts)
{
    setObjectName(QStringLiteral("FrmSHD"));
    setWindowTitle(QStringLiteral("Stripping HTML Tags Directory"));
    setModal(true);
    const double s = fontScale(font());
    setFixedSize(twips(4200, s), twips(3345, s));

    frame_ = new QGroupBox(QStringLiteral("Directory"), this);
    frame_->setObjectName(QStringLiteral("Frame1"));
    placeTwips(frame_, 240, 0, 3735, 2415, s);

    folderList_ = new DirList(frame_);
    folderList_->setObjectName(QStringLiteral("Dir1"));
    folderList_->setAccessibleName(QStringLiteral("Directories"));
    placeTwips(folderList_, 360, 480, 3015, 1215, s);

    driveList_ = new DriveList(frame_);
    driveList_->setObjectName(QStringLiteral("Drive1"));
    driveList_->setAccessibleName(QStringLiteral("Drives"));
    placeTwips(driveList_, 360, 1800, 3015, 315, s);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("Command1"));
    // No default button: Enter in the folder list opens a folder, and must
    // never also take it (the strip run would write where nobody chose).
    okButton_->setAutoDefault(false);
    placeTwips(okButton_, 720, 2640, 855, 255, s);

    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("Command2"));
    cancelButton_->setAutoDefault(false);
    placeTwips(cancelButton_, 2520, 2640, 855, 255, s);

    // Opening shows the working directory and its drive; no rule runs for that.
    const QString cwd = WorkingFolder();
    driveList_->setDrive(driveList_->driveOf(cwd));
    folderList_->setPath(cwd);

    connect(okButton_, &QPushButton::clicked, this, &OutputFolderDialog::acceptFolder);
    connect(cancelButton_, &QPushButton::clicked, this, &OutputFolderDialog::cancelChoice);
    connect(driveList_, &DriveList::driveChanged, this, &OutputFolderDialog::driveChanged);
}

void OutputFolderDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The folder list has opened its folder already; Enter presses a
        // button only when that button has the focus.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->window() == this)
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OutputFolderDialog::acceptFolder()
{
    stripOutputDir_ = folderList_->path();
    accept();
}

void OutputFolderDialog::cancelChoice()
{
    stripOutputDir_.clear();
    reject();
}

void OutputFolderDialog::driveChanged()
{
    const QString root = driveList_->drive();
    // A drive's own current directory: the working directory when it lies on
    // that drive, its root otherwise. The process's directory is not changed.
    const QString cwd = WorkingFolder();
    const QString target = driveList_->driveOf(cwd) == root ? cwd : root;
    if (folderList_->setPath(target))
        return;
    prompts_.message(folderList_->lastError(), Icon::None, Buttons::Ok);
    prompts_.message(QStringLiteral("The drive is not ready."), Icon::Exclamation, Buttons::Ok);
    if (returning_)
        return; // the working directory's drive failed too: stop instead of asking forever
    returning_ = true;
    driveList_->setDrive(driveList_->driveOf(cwd));
    returning_ = false;
}

} // namespace tamsenor
