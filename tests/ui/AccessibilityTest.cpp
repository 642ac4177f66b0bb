#include "DesktopFixture.h"

#include "files/LocalText.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QGroupBox>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

using namespace tamsenor;
using namespace tamsenor::testing;

namespace {

// Qt tells assistive technology of changes only while one is listening;
// this makes the platform's accessibility report itself active.
void setListening(bool on)
{
    if (QPlatformAccessibility* a = QGuiApplicationPrivate::platformIntegration()->accessibility())
        a->setActive(on);
}

// What assistive technology is told, recorded in place of the platform bridge.
std::vector<std::pair<QObject*, QAccessible::Event>> told;

void record(QAccessibleEvent* event)
{
    told.emplace_back(event->object(), event->type());
}

QString accessibleText(QObject* o, QAccessible::Text what)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
    return iface ? iface->text(what) : QStringLiteral("(not accessible)");
}

} // namespace

class AccessibilityTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        DesktopFixture::SetUp();
        told.clear();
        previous_ = QAccessible::installUpdateHandler(record);
        setListening(true);
        ASSERT_TRUE(QAccessible::isActive());
    }
    void TearDown() override
    {
        setListening(false);
        QAccessible::installUpdateHandler(previous_);
        DesktopFixture::TearDown();
    }
    bool nameChangeTold(QObject* o) const
    {
        return std::find(told.begin(), told.end(), std::make_pair(o, QAccessible::NameChanged)) != told.end();
    }
    QAccessible::UpdateHandler previous_ = nullptr;
};

TEST_F(AccessibilityTest, CountsAndTheFileBeingProcessedAreReadAsTheirTextAndAnnounced)
{
    makeFile("a.htm");
    makeFile("b.htm");
    startWithHook();
    pickSuffix("htm");
    struct Row {
        const char* label;
        std::function<void()> change;
        QString heard;
        QString purpose;
    };
    QString heardDuringRun;
    QString purposeDuringRun;
    const Row rows[] = {
        { "Label3",
            [&] {
                makeFile("c.htm");
                button("CmdRfrs")->click();
            },
            "Total: 3", "Number of files in the directory" },
        { "Label5",
            [&] {
                button("CmdSelectAll1")->click();
                button("CmdAdd")->click();
            },
            "Total: 3", "Number of chosen files" },
        // Read at the save question, after the last file: the run's own caption.
        { "LblProgress",
            [&] {
                check("ChkWebsite")->click();
                hooked_.atFirstMessage = [&] {
                    auto* progress = control<QLabel>("LblProgress");
                    heardDuringRun = accessibleText(progress, QAccessible::Name);
                    purposeDuringRun = accessibleText(progress, QAccessible::Description);
                };
                hooked_.answer(Answer::No);
                button("CmdProcess")->click();
            },
            path("c.htm") + " ( 0k )", "File being processed" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto* label = control<QLabel>(row.label);
        told.clear();
        row.change();
        const bool run = std::string(row.label) == "LblProgress";
        EXPECT_EQ(row.heard, run ? heardDuringRun : accessibleText(label, QAccessible::Name));
        if (run) // and where the run is, told at most once a second: file 1 is told at once
            EXPECT_TRUE(QRegularExpression("^" + row.purpose + ": file [123] of 3$").match(purposeDuringRun).hasMatch())
                << purposeDuringRun.toStdString();
        else
            EXPECT_EQ(row.purpose, accessibleText(label, QAccessible::Description));
        EXPECT_TRUE(nameChangeTold(label)) << "the new text is announced";
    }
    // The reset empties the progress caption and the chosen count: a screen
    // reader hears nothing stale.
    EXPECT_EQ(QString(), accessibleText(control<QLabel>("LblProgress"), QAccessible::Name));
    EXPECT_EQ(
        QString("File being processed"), accessibleText(control<QLabel>("LblProgress"), QAccessible::Description));
    EXPECT_EQ(QString(), accessibleText(control<QLabel>("Label5"), QAccessible::Name));
}

// A run sets its caption and bars many times a second; a screen reader is
// told of them politely: far fewer times than there are files, and the
// window's title gives the share done until the run ends.
TEST_F(AccessibilityTest, ARunIsToldAtAPoliteRate)
{
    constexpr int Files = 40;
    for (int i = 0; i < Files; ++i)
        makeFile(QString("p%1.htm").arg(i, 2, 10, QChar('0')));
    startWithHook();
    pickSuffix("htm");
    button("CmdSelectAll1")->click();
    button("CmdAdd")->click();
    check("ChkWebsite")->click();
    QString titleDuringRun;
    hooked_.atFirstMessage = [&] { titleDuringRun = main_->windowTitle(); };
    hooked_.answer(Answer::No);
    told.clear();

    button("CmdProcess")->click();

    auto count
        = [](QObject* o, QAccessible::Event e) { return std::count(told.begin(), told.end(), std::make_pair(o, e)); };
    QObject* caption = control<QObject>("LblProgress");
    QObject* fileBar = control<QObject>("PBFProgress");
    for (const auto& [name, heard] : { std::pair { "caption", count(caption, QAccessible::NameChanged) },
             std::pair { "file progress", count(fileBar, QAccessible::ValueChanged) } }) {
        SCOPED_TRACE(name);
        EXPECT_GE(heard, 1);
        EXPECT_LT(heard, Files);
    }
    EXPECT_TRUE(QRegularExpression("^[0-9]+% - Tamsenor$").match(titleDuringRun).hasMatch())
        << titleDuringRun.toStdString();
    EXPECT_EQ(QString("Tamsenor"), main_->windowTitle());
}

// The window is a frame named by its title; the lines between the switches
// are separators with nothing to read.
TEST_F(AccessibilityTest, TheWindowIsAFrameAndItsLinesAreSeparators)
{
    start();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(main_.get());
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(QAccessible::Window, window->role());
    EXPECT_EQ(QString("Tamsenor"), window->text(QAccessible::Name));
    for (const char* name : { "Line1", "Line2", "Line3", "Line4" }) {
        SCOPED_TRACE(name);
        QAccessibleInterface* line = QAccessible::queryAccessibleInterface(control<QWidget>(name));
        ASSERT_NE(nullptr, line);
        EXPECT_EQ(QAccessible::Separator, line->role());
        EXPECT_EQ(QString(), line->text(QAccessible::Name));
    }
}

TEST_F(AccessibilityTest, EveryCaptionIsWhatScreenReadersRead)
{
    makeFile("a");
    start();
    list("List1")->setEntrySelected(0, true);
    button("CmdAdd")->click();
    main_->setProgressCaption("/x/a.htm ( 1.2k )");
    QStringList wrong;
    for (QWidget* w : main_->findChildren<QWidget*>()) {
        QString caption;
        if (auto* l = qobject_cast<QLabel*>(w))
            caption = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            caption = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            caption = g->title();
        else
            continue;
        if (accessibleText(w, QAccessible::Name) != shown(caption))
            wrong << w->objectName() + ": " + accessibleText(w, QAccessible::Name);
    }
    EXPECT_EQ("", wrong.join(", ").toStdString());
}

TEST_F(AccessibilityTest, ControlsWithoutACaptionAreNamedAndEveryTipIsRead)
{
    start();
    QStringList wrong;
    for (QWidget* w : main_->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith("qt_"))
            continue; // a part of a control, read with it
        auto* button = qobject_cast<QAbstractButton*>(w);
        const bool captioned = (button && !button->text().isEmpty()) || qobject_cast<QLabel*>(w);
        if ((w->focusPolicy() & Qt::TabFocus) && !captioned && w->accessibleName().isEmpty())
            wrong << name + " has no name";
        if (!w->toolTip().isEmpty() && accessibleText(w, QAccessible::Description) != w->toolTip())
            wrong << name + " does not read its tip";
    }
    EXPECT_EQ("", wrong.join(", ").toStdString());
}

TEST_F(AccessibilityTest, ChosenPathsAreCutInTheMiddleAndReadWhole)
{
    start();
    ListBox* chosenList = list("List2");
    const QString deep = "/home/someone/projects/a/rather/deep/folder/for/the/pages/index.html";
    const QString latin = FromLocalBytes("/home/someone/projects/a/rather/deep/folder/caf\xE9.htm");
    chosenList->addEntry(deep);
    chosenList->addEntry(latin);
    // Each row has the list's width, so the style cuts it in the middle.
    EXPECT_EQ(Qt::ElideMiddle, chosenList->textElideMode());
    EXPECT_EQ(0, chosenList->horizontalScrollBar()->maximum());
    EXPECT_LE(chosenList->visualItemRect(chosenList->item(1)).width(), chosenList->viewport()->width());
    EXPECT_LT(
        chosenList->visualItemRect(chosenList->item(1)).width(), chosenList->fontMetrics().horizontalAdvance(deep));

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(chosenList);
    ASSERT_NE(nullptr, iface);
    QStringList names;
    for (int i = 0; i < iface->childCount(); ++i)
        names << iface->child(i)->text(QAccessible::Name);
    EXPECT_EQ(QStringList({ ForDisplay(latin), deep }), names);
    EXPECT_EQ(LocalBytes(latin), LocalBytes(chosenList->entry(0))) << "the entry keeps its bytes";

    auto hover = [&](int row) {
        const QPoint at = chosenList->visualItemRect(chosenList->item(row)).center();
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(chosenList->viewport()->mapToGlobal(at)), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(chosenList->viewport(), &move);
        return chosenList->toolTip();
    };
    EXPECT_EQ(deep, hover(1));
    EXPECT_EQ(LocalBytes(latin), LocalBytes(hover(0)));
}
