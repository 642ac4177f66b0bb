#include "ui/toolkit/StretchPlacer.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace tamsenor;

namespace {
std::string str(const QRect& r)
{
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}
} // namespace

TEST(StretchPlacerTest, SharesOfTheGrowthMoveAndGrowEachControl)
{
    struct Row {
        const char* name;
        StretchPlacer::Shares shares;
        QSize container;
        QRect expected;
    };
    // Drawn: container 200x100, control at 10,20 sized 50x30.
    const Row rows[] = {
        { "drawn size: drawn place", { 1, 1, 1, 1 }, QSize(200, 100), QRect(10, 20, 50, 30) },
        { "takes all growth", { 0, 1, 0, 1 }, QSize(300, 140), QRect(10, 20, 150, 70) },
        { "keeps to the corner", { 1, 0, 1, 0 }, QSize(300, 140), QRect(110, 60, 50, 30) },
        { "half and half", { 0.5, 0.5, 0, 0.5 }, QSize(300, 140), QRect(60, 20, 100, 50) },
        { "smaller than drawn: drawn place", { 1, 1, 1, 1 }, QSize(150, 80), QRect(10, 20, 50, 30) },
        { "wider only", { 0, 1, 1, 0 }, QSize(260, 90), QRect(10, 20, 110, 30) },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget container;
        container.resize(200, 100);
        QWidget child(&container);
        child.setGeometry(10, 20, 50, 30);
        StretchPlacer placer(QSize(200, 100));
        placer.add(&child, row.shares);
        placer.apply(row.container);
        EXPECT_EQ(str(row.expected), str(child.geometry()));
    }
}

TEST(StretchPlacerTest, AControlThatOnlyMovesKeepsTheSizeItGaveItself)
{
    QWidget container;
    QLabel label(QStringLiteral("x"), &container);
    label.setGeometry(5, 5, 10, 10);
    StretchPlacer placer(QSize(100, 100));
    placer.add(&label, { 1, 0, 0, 0 });
    label.setText(QStringLiteral("a longer caption"));
    label.adjustSize();
    const QSize own = label.size();
    placer.apply(QSize(140, 100));
    EXPECT_EQ(str(QRect(QPoint(45, 5), own)), str(label.geometry()));
}
