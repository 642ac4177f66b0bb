#include "ui/toolkit/ElidingLabel.h"

#include <gtest/gtest.h>

namespace tamsenor {
namespace {

TEST(ElidingLabel, KeepsTheWholeCaptionAndShowsItsEndsWhenTooNarrow)
{
    ElidingLabel label;
    label.resize(120, 20);
    const QString caption = QStringLiteral("/home/someone/a/very/long/folder/name/that/goes/on/index.html ( 12.5k )");
    label.setCaption(caption);

    EXPECT_EQ(caption, label.text());
    EXPECT_EQ(caption, label.toolTip());
    const QString shown = label.shownText();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/h"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral(")"))) << shown.toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(shown), 120);
}

TEST(ElidingLabel, ShowsAShortCaptionUnchanged)
{
    ElidingLabel label;
    label.resize(400, 20);
    label.setCaption(QStringLiteral("/a.htm ( 1k )"));
    EXPECT_EQ(QStringLiteral("/a.htm ( 1k )"), label.shownText());
}

} // namespace
} // namespace tamsenor
