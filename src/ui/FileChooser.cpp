#include "ui/FileChooser.h"

#include "files/FilePattern.h"

#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"
#include "ui/toolkit/FileList.h"
#include "ui/toolkit/Folders.h"
#include "ui/toolkit/ListBox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

namespace tamsenor {

namespace {
QString total(int count)
{
    return QStringLiteral("Total: ") + QString::number(count);
}
} // namespace

FileChooser::FileChooser(const Controls& controls, MainState& state, Prompts& prompts, QObject* parent)
    : QObject(parent)
    , c_(controls)
    , state_(state)
    , prompts_(prompts)
{
    connect(c_.driveList, &DriveList::driveChanged, this, &FileChooser::driveChanged);
    connect(c_.folderList, &DirList::pathChanged, this, &FileChooser::folderChanged);
    // An edit and a pick are two different events: textEdited only comes from typing.
    connect(c_.extensionBox->lineEdit(), &QLineEdit::textEdited, this, &FileChooser::extensionEdited);
    connect(c_.extensionBox, &QComboBox::activated, this, &FileChooser::extensionChosen);
    for (ListBox* list : { c_.fileList, c_.chosenList }) {
        list->viewport()->setMouseTracking(true);
        list->viewport()->installEventFilter(this);
    }
    // Keys: Enter in List1 adds, Delete in List2 deselects.
    c_.fileList->installEventFilter(this);
    c_.chosenList->installEventFilter(this);
}

QString FileChooser::suffixFrom(const QString& comboText)
{
    return SuffixFromExtensionBox(comboText);
}

QString FileChooser::joinChosen(const QString& dir, const QString& name)
{
    return dir + u'/' + name;
}

void FileChooser::driveChanged()
{
    const QString root = c_.driveList->drive();
    // The drive's root: setting it runs the directory change, which makes it
    // the working directory; check that it did.
    bool ok = c_.folderList->setPath(root.endsWith(u'/') ? root : root + u'/');
    if (ok)
        ok = EnterFolder(c_.folderList->path());
    if (ok)
        return;
    prompts_.message(QStringLiteral("The drive is not ready."), Icon::Exclamation, Buttons::Ok);
    if (returningToWorkingDrive_)
        return; // the working directory's own drive failed too: do not ask forever
    returningToWorkingDrive_ = true;
    c_.driveList->setDrive(c_.driveList->driveOf(WorkingFolder()));
    returningToWorkingDrive_ = false;
}

void FileChooser::folderChanged()
{
    // Each step that fails is skipped; the later ones use what the controls hold.
    QCoreApplication::processEvents();
    EnterFolder(c_.folderList->path());
    c_.patternList->setPath(c_.folderList->path());
    refillFileList();
    showFileCount();
}

void FileChooser::refillFileList()
{
    c_.fileList->setUpdatesEnabled(false);
    c_.fileList->clear();
    c_.fileList->appendEntries(c_.patternList->names());
    c_.fileList->setUpdatesEnabled(true);
}

void FileChooser::showFileCount()
{
    c_.fileCountLabel->setText(total(c_.fileList->count()));
}

void FileChooser::showChosenCount()
{
    c_.chosenCountLabel->setText(total(c_.chosenList->count()));
}

void FileChooser::suffixFilter(bool edited)
{
    state_.settings.extensionFilter = suffixFrom(c_.extensionBox->currentText());
    if (!c_.patternList->setPattern(QStringLiteral("*.") + state_.settings.extensionFilter) && edited) {
        prompts_.message(QStringLiteral("The suffix of the files is wrong"), Icon::Critical, Buttons::Ok);
        return;
    }
    folderChanged();
}

void FileChooser::extensionEdited()
{
    suffixFilter(true);
}

void FileChooser::extensionChosen()
{
    suffixFilter(false);
}

void FileChooser::refreshFiles()
{
    folderChanged();
}

void FileChooser::selectAllFiles()
{
    if (c_.fileList->count() > 0)
        c_.fileList->selectAll();
}

void FileChooser::addSelectedFiles()
{
    // Every selected entry moves, in list order, to its sorted place in List2;
    // the others stay in List1 in their order. Done in one pass so that large
    // directories move quickly.
    QStringList moved;
    QStringList kept;
    for (int i = 0; i < c_.fileList->count(); ++i)
        (c_.fileList->isEntrySelected(i) ? moved : kept) << c_.fileList->entry(i);
    if (!moved.isEmpty()) {
        const QString dir = c_.folderList->path();
        QStringList paths;
        paths.reserve(moved.size());
        for (const QString& name : moved)
            paths << joinChosen(dir, name);
        c_.chosenList->addEntries(paths);
        c_.fileList->setUpdatesEnabled(false);
        c_.fileList->clear();
        c_.fileList->appendEntries(kept);
        c_.fileList->setUpdatesEnabled(true);
    }
    showFileCount();
    showChosenCount();
}

void FileChooser::removeSelectedChosen()
{
    // The walk lets other events run between its steps and rereads the
    // selection on every step, so a click during a long walk still counts. It
    // yields at most every few milliseconds: yielding before each of thousands
    // of removals would lay the list out again each time and take minutes.
    QElapsedTimer sinceYield;
    int pos = 0;
    while (c_.chosenList->hasSelectedEntries() && pos < c_.chosenList->count()) {
        if (!sinceYield.isValid() || sinceYield.elapsed() >= YieldIntervalMs) {
            QCoreApplication::processEvents();
            sinceYield.start();
        }
        if (pos >= c_.chosenList->count())
            break;
        if (c_.chosenList->isEntrySelected(pos))
            c_.chosenList->removeEntry(pos);
        else
            ++pos;
    }
    showChosenCount();
}

void FileChooser::clearChosenFiles()
{
    c_.chosenList->clear();
    showChosenCount();
}

bool FileChooser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && watched == c_.fileList && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            addSelectedFiles();
            return true;
        }
        if (plain && watched == c_.chosenList && key->key() == Qt::Key_Delete) {
            removeSelectedChosen();
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        for (ListBox* list : { c_.fileList, c_.chosenList }) {
            if (watched != list->viewport())
                continue;
            // The entry under the pointer by the list's own row geometry.
            const auto* move = static_cast<QMouseEvent*>(event);
            const QModelIndex index = list->indexAt(move->position().toPoint());
            list->setToolTip(index.isValid() ? list->entry(index.row()) : QString());
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tamsenor
