#include "DesktopFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QSet>
#include <QTest>

using namespace tamsenor;
using namespace tamsenor::testing;

class KeyboardTest : public DesktopFixture {
protected:
    // The named control that has the focus (an editable combo box's line edit
    // counts as the combo box).
    QString focused() const
    {
        QWidget* w = QApplication::focusWidget();
        while (w && w->objectName().isEmpty())
            w = w->parentWidget();
        return w ? w->objectName() : QString("(none)");
    }

    QStringList tabRound(const char* from, int presses)
    {
        control<QWidget>(from)->setFocus(Qt::TabFocusReason);
        QStringList seen { focused() };
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << focused();
        }
        return seen;
    }
};

TEST_F(KeyboardTest, TabVisitsEveryEnabledControlInReadingOrder)
{
    const QStringList idle { "Dir1", "Drive1", "List1", "Combo1", "CmdRfrs", "CmdSelectAll1", "CmdAdd", "List2",
        "CmdSelectall2", "CmdDele", "ChkStrip", "ChkWebsite", "ChkEmail", "ChkLinks", "ChkKeyword", "CmdProcess",
        "CmdHelp", "CmdBrowse", "CmdEnd", "Dir1" };
    const QStringList keywords { "Dir1", "Drive1", "List1", "Combo1", "CmdRfrs", "CmdSelectAll1", "CmdAdd", "List2",
        "CmdSelectall2", "CmdDele", "ChkStrip", "ChkWebsite", "ChkEmail", "ChkLinks", "ChkKeyword", "List3", "CmdUP",
        "CmdDown", "CmdAddKW", "CmdOpenKW", "CmdPropertyKW", "CmdSaveKW", "CmdKWClear", "CmdDeleKW", "CmdProcess",
        "CmdHelp", "CmdBrowse", "CmdEnd", "Dir1" };
    struct Row {
        const char* name;
        bool keywordsOn;
        QStringList expected;
    };
    for (const Row& row : { Row { "idle: disabled controls are passed over", false, idle },
             Row { "keywords switched on", true, keywords } }) {
        SCOPED_TRACE(row.name);
        start();
        activate();
        if (row.keywordsOn)
            check("ChkKeyword")->click();
        EXPECT_EQ(row.expected.join(' ').toStdString(),
            tabRound("Dir1", static_cast<int>(row.expected.size()) - 1).join(' ').toStdString());
    }
}

TEST_F(KeyboardTest, AccessKeysAreUniqueAndKeepTheCaptions)
{
    start();
    QSet<int> keys;
    QStringList withKey;
    auto note = [&](QWidget* w, const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty())
            return;
        withKey << w->objectName();
        EXPECT_FALSE(keys.contains(key[0].key()))
            << w->objectName().toStdString() << " repeats " << key.toString().toStdString();
        keys.insert(key[0].key());
    };
    for (QAbstractButton* b : main_->findChildren<QAbstractButton*>())
        note(b, b->text());
    for (QLabel* l : main_->findChildren<QLabel*>())
        note(l, l->text());
    withKey.sort();
    EXPECT_EQ(QString("ChkEmail ChkKeyword ChkLinks ChkMainText ChkReadable ChkStrip ChkWebsite CmdAddKW CmdCancel CmdDele "
                      "CmdDeleKW CmdDown CmdEnd "
                      "CmdKWClear CmdOpenKW CmdProcess CmdPropertyKW CmdRfrs CmdSaveKW CmdSelectAll1 CmdSelectall2 "
                      "CmdUP Label4")
                  .toStdString(),
        withKey.join(' ').toStdString());
    EXPECT_EQ(QString(">>"), button("CmdAdd")->text()) << "no letter to mark";
}

TEST_F(KeyboardTest, AccessKeyPressesItsButton)
{
    makeFile("a");
    start();
    activate();
    list("List1")->setEntrySelected(0, true);
    button("CmdAdd")->click();
    ASSERT_EQ(1, list("List2")->count());
    QTest::keyClick(main_.get(), Qt::Key_L, Qt::AltModifier); // C&lear under Chosen Files
    // An access key presses the button the way a click looks: down, then up a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return list("List2")->count() == 0; }));
    EXPECT_EQ(0, list("List2")->count());
    EXPECT_EQ(QString("Total: 0"), caption("Label5"));
}

TEST_F(KeyboardTest, EnterInList1AddsLikeTheAddButton)
{
    for (const char* f : { "a", "b", "c" })
        makeFile(f);
    struct Row {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QStringList left;
        QStringList chosen;
    };
    const Row rows[] = {
        { "Return", Qt::Key_Return, Qt::NoModifier, { "b" }, { "a", "c" } },
        { "keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, { "b" }, { "a", "c" } },
        { "Shift+Return is not Enter", Qt::Key_Return, Qt::ShiftModifier, { "a", "b", "c" }, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        start();
        list("List1")->setEntrySelected(0, true);
        list("List1")->setEntrySelected(2, true);
        QTest::keyClick(list("List1"), row.key, row.modifiers);
        QStringList chosen;
        for (const QString& name : row.chosen)
            chosen << QDir(root_).filePath(name);
        EXPECT_EQ(row.left, list("List1")->entries());
        EXPECT_EQ(chosen, list("List2")->entries());
    }
    EXPECT_EQ(QString("Total: 3"), caption("Label3"));
}

TEST_F(KeyboardTest, DeleteInList2DeselectsLikeTheDeselectButton)
{
    for (const char* f : { "a", "b", "c" })
        makeFile(f);
    start();
    list("List1")->selectAll();
    button("CmdAdd")->click();
    ASSERT_EQ(3, list("List2")->count());
    list("List2")->clearSelection();
    list("List2")->setEntrySelected(1, true);
    QTest::keyClick(list("List2"), Qt::Key_Delete);
    EXPECT_EQ(QStringList({ QDir(root_).filePath("a"), QDir(root_).filePath("c") }), list("List2")->entries());
    EXPECT_EQ(QString("Total: 2"), caption("Label5"));
    QTest::keyClick(list("List1"), Qt::Key_Delete);
    EXPECT_EQ(2, list("List2")->count()) << "Delete means nothing in List1";
}

TEST_F(KeyboardTest, EscapeCancelsARunAndOnlyARun)
{
    makeFile("a.htm");
    startWithHook();
    activate();
    QTest::keyClick(main_.get(), Qt::Key_Escape);
    EXPECT_FALSE(main_->state().run.cancelRequested) << "no run, nothing to cancel";

    list("List1")->setEntrySelected(0, true);
    button("CmdAdd")->click();
    check("ChkStrip")->click();
    int cancelDuringRun = -1;
    hooked_.atFirstMessage = [&] {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : main_.get(), Qt::Key_Escape);
        cancelDuringRun = main_->state().run.cancelRequested;
    };
    hooked_.answer(Answer::Cancel);
    button("CmdProcess")->click();
    EXPECT_EQ(1, cancelDuringRun);
    EXPECT_FALSE(main_->state().run.cancelRequested) << "the reset after the run clears it";
}
