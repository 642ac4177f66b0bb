#include "files/LocalText.h"
#include "ui/toolkit/CheckBox.h"
#include "ui/toolkit/ListBox.h"
#include "ui/toolkit/ProgressBar.h"
#include "ui/toolkit/SystemColours.h"

#include <QStyleOptionProgressBar>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tamsenor;

TEST(ProgressBarTest, KeepsValueWhenOutsideTheRange)
{
    struct Row {
        const char* name;
        float value;
        bool accepted;
    };
    const Row rows[] = {
        { "zero", 0.0f, true },
        { "fraction", 14.29f, true },
        { "top", 100.0f, true },
        { "just above", 100.03f, false },
        { "negative", -0.01f, false },
        { "not a number", std::numeric_limits<float>::quiet_NaN(), false },
        { "infinite", std::numeric_limits<float>::infinity(), false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgressBar bar;
        ASSERT_TRUE(bar.setValue(42.5f));
        EXPECT_EQ(row.accepted, bar.setValue(row.value));
        EXPECT_EQ(row.accepted ? row.value : 42.5f, bar.value());
    }
}

// What the style is asked to paint.
class PaintedBar : public ProgressBar {
public:
    int painted() const
    {
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        return option.progress;
    }
};

TEST(ProgressBarTest, ShowsFractionsOnItsFinerRange)
{
    PaintedBar bar;
    bar.setValue(14.29f);
    EXPECT_EQ(1429, bar.painted());
    bar.setValue(85.74f);
    EXPECT_EQ(8574, bar.painted());
    EXPECT_EQ(QString("85%"), bar.text());
}

TEST(ListBoxTest, SortedInsertionIgnoresCase)
{
    struct Row {
        const char* name;
        QStringList added;
        QStringList expected;
    };
    const Row rows[] = {
        { "upper before lower in input", { "b", "A", "c", "B" }, { "A", "b", "B", "c" } },
        { "paths of two directories", { "/x/Zeta.htm", "/w/b.htm", "/x/alpha.htm", "/W/a.htm" },
            { "/W/a.htm", "/w/b.htm", "/x/alpha.htm", "/x/Zeta.htm" } },
        { "duplicates stay", { "/d/a", "/d/a", "/d/A" }, { "/d/a", "/d/a", "/d/A" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ListBox list;
        list.setSorted(true);
        for (const QString& t : row.added)
            list.addEntry(t);
        EXPECT_EQ(row.expected, list.entries());
    }
}

TEST(ListBoxTest, UnsortedListAppends)
{
    ListBox list;
    list.addEntry("b");
    list.addEntry("A");
    EXPECT_EQ(QStringList({ "b", "A" }), list.entries());
}

TEST(ListBoxTest, BulkAddingGivesTheOrderOfAddingOneByOneAndKeepsSelection)
{
    QStringList existing;
    for (int i = 0; i < 50; ++i)
        existing << QString("/d/f%1.HTM").arg(i * 7 % 50);
    QStringList fresh;
    for (int i = 0; i < 200; ++i)
        fresh << QString(i % 2 ? "/d/F%1.htm" : "/d/f%1.HTM").arg(i * 13 % 60);

    ListBox one;
    one.setSorted(true);
    ListBox bulk;
    bulk.setSorted(true);
    bulk.setExtendedSelection(true);
    for (const QString& t : existing) {
        one.addEntry(t);
        bulk.addEntry(t);
    }
    bulk.setEntrySelected(3, true);
    const QString selected = bulk.entry(3);
    for (const QString& t : fresh)
        one.addEntry(t);
    bulk.addEntries(fresh);

    EXPECT_EQ(one.entries(), bulk.entries());
    EXPECT_EQ(1, bulk.selectedCount());
    EXPECT_EQ(selected, bulk.entry(bulk.selectedIndex()));
}

TEST(ListBoxTest, EntriesKeepBytesThatAreNoUtf8AndShowReplacements)
{
    const QString latin = FromLocalBytes("/d/caf\xE9.htm");
    const QStringList many(80, FromLocalBytes("/d/\xFF.htm"));
    for (const bool bulk : { false, true }) {
        SCOPED_TRACE(bulk ? "added in bulk" : "added one by one");
        ListBox list;
        list.setSorted(true);
        if (bulk)
            list.addEntries(QStringList(many) << latin);
        else
            list.addEntry(latin);
        const int at = list.entries().indexOf(latin);
        ASSERT_GE(at, 0);
        EXPECT_EQ(LocalBytes(latin), LocalBytes(list.entry(at)));
        EXPECT_EQ(QStringLiteral("/d/caf\uFFFD.htm"), list.item(at)->text());
    }
}

TEST(CheckBoxTest, RuleRunsOnlyOnRealChanges)
{
    CheckBox box("Keywords.");
    std::vector<bool> runs;
    box.setClickRule([&](bool checked) { runs.push_back(checked); });
    box.setChecked(false); // already unchecked
    box.click(); // user: on
    box.setChecked(true); // program: already on
    box.setChecked(false); // program: off
    box.click(); // user: on
    EXPECT_EQ((std::vector<bool> { true, false, true }), runs);
}

TEST(ContrastTest, RatiosAreThoseOfWcag)
{
    struct Row {
        const char* name;
        QColor a;
        QColor b;
        double ratio;
    };
    const Row rows[] = {
        { "black on white", Qt::black, Qt::white, 21.0 },
        { "a colour on itself", QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35), 1.0 },
        { "#777 just fails AA on white", QColor(0x77, 0x77, 0x77), Qt::white, 4.48 },
        { "#767676 just passes", Qt::white, QColor(0x76, 0x76, 0x76), 4.54 },
        { "pure red on white", Qt::red, Qt::white, 4.0 },
        { "pure blue on black", Qt::blue, Qt::black, 2.44 },
        { "Fusion's workspace grey on its window", QColor(0x9f, 0x9f, 0x9f), QColor(0xef, 0xef, 0xef), 2.30 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(row.ratio, ContrastRatio(row.a, row.b), 0.01);
        EXPECT_DOUBLE_EQ(ContrastRatio(row.a, row.b), ContrastRatio(row.b, row.a));
    }
    // Luminance is linear light, not the sRGB value: mid grey is about a fifth.
    EXPECT_NEAR(0.2159, RelativeLuminance(QColor(0x80, 0x80, 0x80)), 0.0001);
    EXPECT_NEAR(0.0722, RelativeLuminance(Qt::blue), 0.0001);
}
