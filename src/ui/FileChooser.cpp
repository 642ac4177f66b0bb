#include "ui/FileChooser.h"

#include "engine/FilePattern.h"

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
    connect(c_.drive1, &DriveList::driveChanged, this, &FileChooser::Drive1_Change);
    connect(c_.dir1, &DirList::pathChanged, this, &FileChooser::Dir1_Change);
    // An edit and a pick are two different events: textEdited only comes from typing.
    connect(c_.combo1->lineEdit(), &QLineEdit::textEdited, this, &FileChooser::Combo1_Change);
    connect(c_.combo1, &QComboBox::activated, this, &FileChooser::Combo1_Click);
    for (ListBox* list : { c_.list1, c_.list2 }) {
        list->viewport()->setMouseTracking(true);
        list->viewport()->installEventFilter(this);
    }
    // Keys: Enter in List1 adds, Delete in List2 deselects.
    c_.list1->installEventFilter(this);
    c_.list2->installEventFilter(this);
}

QString FileChooser::suffixFrom(const QString& comboText)
{
    return SuffixFromExtensionBox(comboText);
}

QString FileChooser::joinChosen(const QString& dir, const QString& name)
{
    return dir + u'/' + name;
}

void FileChooser::Drive1_Change()
{
    const QString root = c_.drive1->drive();
    // The drive's root: setting it runs the directory change, which makes it
    // the working directory; check that it did.
    bool ok = c_.dir1->setPath(root.endsWith(u'/') ? root : root + u'/');
    if (ok)
        ok = EnterFolder(c_.dir1->path());
    if (ok)
        return;
    prompts_.message(QStringLiteral("The drive is not ready."), Icon::Exclamation, Buttons::Ok);
    if (returningToWorkingDrive_)
        return; // the working directory's own drive failed too: do not ask forever
    returningToWorkingDrive_ = true;
    c_.drive1->setDrive(c_.drive1->driveOf(WorkingFolder()));
    returningToWorkingDrive_ = false;
}

void FileChooser::Dir1_Change()
{
    // Each step that fails is skipped; the later ones use what the controls hold.
    QCoreApplication::processEvents();
    EnterFolder(c_.dir1->path());
    c_.file1->setPath(c_.dir1->path());
    refillList1();
    showList1Count();
}

void FileChooser::refillList1()
{
    c_.list1->setUpdatesEnabled(false);
    c_.list1->clear();
    c_.list1->appendEntries(c_.file1->names());
    c_.list1->setUpdatesEnabled(true);
}

void FileChooser::showList1Count()
{
    c_.label3->setText(total(c_.list1->count()));
}

void FileChooser::showList2Count()
{
    c_.label5->setText(total(c_.list2->count()));
}

void FileChooser::suffixFilter(bool edited)
{
    state_.ExtensionFilter = suffixFrom(c_.combo1->currentText());
    if (!c_.file1->setPattern(QStringLiteral("*.") + state_.ExtensionFilter) && edited) {
        prompts_.message(QStringLiteral("The suffix of the files is wrong"), Icon::Critical, Buttons::Ok);
        return;
    }
    Dir1_Change();
}

void FileChooser::Combo1_Change()
{
    suffixFilter(true);
}

void FileChooser::Combo1_Click()
{
    suffixFilter(false);
}

void FileChooser::CmdRfrs_Click()
{
    Dir1_Change();
}

void FileChooser::CmdSelectAll1_Click()
{
    if (c_.list1->count() > 0)
        c_.list1->selectAll();
}

void FileChooser::CmdAdd_Click()
{
    // Every selected entry moves, in list order, to its sorted place in List2;
    // the others stay in List1 in their order. Done in one pass so that large
    // directories move quickly.
    QStringList moved;
    QStringList kept;
    for (int i = 0; i < c_.list1->count(); ++i)
        (c_.list1->isEntrySelected(i) ? moved : kept) << c_.list1->entry(i);
    if (!moved.isEmpty()) {
        const QString dir = c_.dir1->path();
        QStringList paths;
        paths.reserve(moved.size());
        for (const QString& name : moved)
            paths << joinChosen(dir, name);
        c_.list2->addEntries(paths);
        c_.list1->setUpdatesEnabled(false);
        c_.list1->clear();
        c_.list1->appendEntries(kept);
        c_.list1->setUpdatesEnabled(true);
    }
    showList1Count();
    showList2Count();
}

void FileChooser::CmdDele_Click()
{
    // The walk lets other events run between its steps and rereads the
    // selection on every step, so a click during a long walk still counts. It
    // yields at most every few milliseconds: yielding before each of thousands
    // of removals would lay the list out again each time and take minutes.
    QElapsedTimer sinceYield;
    int pos = 0;
    while (c_.list2->hasSelectedEntries() && pos < c_.list2->count()) {
        if (!sinceYield.isValid() || sinceYield.elapsed() >= YieldIntervalMs) {
            QCoreApplication::processEvents();
            sinceYield.start();
        }
        if (pos >= c_.list2->count())
            break;
        if (c_.list2->isEntrySelected(pos))
            c_.list2->removeEntry(pos);
        else
            ++pos;
    }
    showList2Count();
}

void FileChooser::CmdSelectall2_Click()
{
    c_.list2->clear();
    showList2Count();
}

bool FileChooser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && watched == c_.list1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            CmdAdd_Click();
            return true;
        }
        if (plain && watched == c_.list2 && key->key() == Qt::Key_Delete) {
            CmdDele_Click();
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        for (ListBox* list : { c_.list1, c_.list2 }) {
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
