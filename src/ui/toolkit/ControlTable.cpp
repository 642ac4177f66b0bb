#include "ui/toolkit/ControlTable.h"

#include "ui/toolkit/CheckBox.h"
#include "ui/toolkit/CommandButton.h"
#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"
#include "ui/toolkit/ElidingLabel.h"
#include "ui/toolkit/ListBox.h"
#include "ui/toolkit/ProgressBar.h"
#include "ui/toolkit/Twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace tamsenor {

namespace {

QFrame* makeLine(QWidget* parent, bool vertical)
{
    auto* f = new QFrame(parent);
    f->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

QWidget* make(const ControlRow& row, QWidget* parent)
{
    switch (row.kind) {
    case ControlKind::Frame:
        return new QGroupBox(row.caption, parent);
    case ControlKind::Button:
        return MakeCommandButton(parent, row.name, row.caption, row.tip);
    case ControlKind::CheckBox:
        return new CheckBox(row.caption, parent);
    case ControlKind::Label:
        return new QLabel(row.caption, parent);
    case ControlKind::ElidingLabel:
        return new ElidingLabel(parent);
    case ControlKind::ListBox:
        return new ListBox(parent);
    case ControlKind::DirList:
        return new DirList(parent);
    case ControlKind::DriveList:
        return new DriveList(parent);
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::ProgressBar:
        return new ProgressBar(parent);
    case ControlKind::VerticalLine:
        return makeLine(parent, true);
    case ControlKind::HorizontalLine:
        return makeLine(parent, false);
    }
    return nullptr;
}

} // namespace

QWidget* MakeControl(const ControlRow& row, QWidget* parent, double scale)
{
    QWidget* w = make(row, parent);
    w->setObjectName(QString::fromLatin1(row.name));
    if (row.kind != ControlKind::Button && !row.tip.isEmpty())
        w->setToolTip(row.tip);
    if (!row.accessibleName.isEmpty())
        w->setAccessibleName(row.accessibleName);
    if (!row.accessibleDescription.isEmpty())
        w->setAccessibleDescription(row.accessibleDescription);
    const ControlRow::Twips& p = row.place;
    placeTwips(w, p.left, p.top, p.width, p.height, scale);
    return w;
}

} // namespace tamsenor
