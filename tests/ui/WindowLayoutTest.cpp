#include "MainFixture.h"

#include "ui/FileChooser.h"
#include "ui/toolkit/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QStyle>

using namespace tamsenor;
using namespace tamsenor::testing;

namespace {

// The room a caption needs inside its control, the access key's "&" not counted.
QSize captionNeeds(QWidget* w, const QString& text)
{
    const QFontMetrics fm(w->font());
    const QRect r = fm.boundingRect(QRect(0, 0, 10000, 10000), Qt::TextShowMnemonic, text);
    return r.size();
}

// Every caption that does not fit its control, by name.
QStringList clippedCaptions(QWidget* window)
{
    QStringList clipped;
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
        const QSize need = captionNeeds(b, b->text()) + QSize(margin, 2);
        if (need.width() > b->width() || need.height() > b->height())
            clipped << b->objectName();
    }
    for (QCheckBox* c : window->findChildren<QCheckBox*>()) {
        // Check box captions wrap onto further lines.
        const int indicator = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c)
            + c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c) + 2;
        const QFontMetrics fm(c->font());
        const QRect need = fm.boundingRect(
            QRect(0, 0, c->width() - indicator, 10000), Qt::TextWordWrap | Qt::TextShowMnemonic, c->text());
        if (need.width() > c->width() - indicator || need.height() > c->height())
            clipped << c->objectName();
    }
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->text().isEmpty() && captionNeeds(l, l->text()).width() > l->width())
            clipped << l->objectName();
    }
    for (QGroupBox* g : window->findChildren<QGroupBox*>()) {
        if (captionNeeds(g, g->title()).width() + 16 > g->width())
            clipped << g->objectName();
    }
    return clipped;
}

} // namespace

class WindowLayoutTest : public MainFixture { };

TEST_F(WindowLayoutTest, NoCaptionIsClippedAtAnyFontSize)
{
    const QFont saved = QApplication::font();
    for (double factor : { 1.0, 1.25, 1.5, 2.0 }) {
        SCOPED_TRACE(factor);
        QFont f = saved;
        f.setPointSizeF(saved.pointSizeF() * factor);
        QApplication::setFont(f);
        start();
        // Filled labels as well: the counts under the lists.
        makeFile("a");
        control<QPushButton>("CmdRfrs")->click();
        EXPECT_EQ("", clippedCaptions(main_.get()).join(' ').toStdString());
        main_.reset();
    }
    QApplication::setFont(saved);
}

TEST_F(WindowLayoutTest, GrowingTheWindowGrowsTheListsAndKeepsTheArrangement)
{
    start();
    const QSize drawn = main_->size();
    EXPECT_EQ(drawn, main_->minimumSize()) << "never smaller than drawn";
    auto rectOf = [&](const char* name) {
        QWidget* w = control<QWidget>(name);
        return QRect(w->mapTo(main_.get(), QPoint(0, 0)), w->size());
    };
    const char* const names[] = { "List1", "List2", "List3", "Dir1", "CmdAdd", "CmdDele", "CmdEnd", "CmdProcess",
        "Frame1", "Frame2", "Frame3", "PBProgress" };
    std::map<std::string, QRect> before;
    for (const char* n : names)
        before[n] = rectOf(n);

    const QSize grown = drawn + QSize(400, 300);
    main_->resize(grown);
    QApplication::processEvents();
    ASSERT_EQ(grown, main_->size());
    std::map<std::string, QRect> after;
    for (const char* n : names)
        after[n] = rectOf(n);

    for (const char* n : { "List1", "List2", "List3" }) {
        SCOPED_TRACE(n);
        EXPECT_GT(after[n].width(), before[n].width());
        EXPECT_GT(after[n].height(), before[n].height());
    }
    // Exit keeps its distance to the bottom right corner.
    EXPECT_EQ(drawn.width() - before["CmdEnd"].right(), grown.width() - after["CmdEnd"].right());
    EXPECT_EQ(drawn.height() - before["CmdEnd"].bottom(), grown.height() - after["CmdEnd"].bottom());
    // ">>" stays between the two frames; the frames do not meet or leave the window.
    EXPECT_LT(after["Frame1"].right(), after["CmdAdd"].left());
    EXPECT_LT(after["CmdAdd"].right(), after["Frame2"].left());
    EXPECT_LT(after["Frame1"].bottom(), after["Frame3"].top());
    EXPECT_LE(after["Frame2"].right(), grown.width());
    EXPECT_LE(after["Frame3"].bottom(), grown.height());
    // The buttons below List2 stay below it; the progress bars under the chosen files.
    EXPECT_LT(after["List2"].bottom(), after["CmdDele"].top());
    EXPECT_LT(after["Frame2"].bottom(), after["PBProgress"].top());
    EXPECT_LT(after["PBProgress"].bottom(), after["CmdProcess"].top());

    // Back to the drawn size: every control back in its drawn place.
    main_->resize(drawn);
    QApplication::processEvents();
    for (const char* n : names) {
        SCOPED_TRACE(n);
        EXPECT_EQ(before[n], rectOf(n));
    }
}

// Run at QT_SCALE_FACTOR 1 and 2 (CTest runs this file at both).
TEST_F(WindowLayoutTest, CountLabelsHoldSixDigitsWithoutReachingTheButtonsBesideThem)
{
    start();
    // Counts as large as the labels are meant for, through the chooser.
    list("List1")->appendEntries(QStringList(123456, QStringLiteral("f")));
    main_->fileChooser().showFileCount();
    list("List2")->appendEntries(QStringList(123456, QStringLiteral("/d/f")));
    main_->fileChooser().showChosenCount();
    struct Row {
        const char* label;
        const char* before; // the control to its left in the same row, if any
        const char* after;
    };
    const Row rows[] = { { "Label3", nullptr, "CmdRfrs" }, { "Label5", "CmdSelectAll1", "CmdSelectall2" } };
    for (const QSize grow : { QSize(0, 0), QSize(400, 300) }) {
        main_->resize(main_->minimumSize() + grow);
        QApplication::processEvents();
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.label) + (grow.isNull() ? " drawn size" : " grown"));
            auto* label = control<QLabel>(row.label);
            ASSERT_EQ(QString("Total: 123456"), label->text());
            EXPECT_LE(label->sizeHint().width(), label->width());
            EXPECT_LT(label->geometry().right(), control<QWidget>(row.after)->geometry().left());
            EXPECT_GE(label->x(), 0);
            if (row.before) {
                EXPECT_GT(label->geometry().left(), control<QWidget>(row.before)->geometry().right());
            }
        }
    }
}

// Run at QT_SCALE_FACTOR 1 and 2 (CTest runs this file at both), here at two font sizes.
TEST_F(WindowLayoutTest, EveryControlOfTheTableIsMadeOnceInsideItsFrameAndClearOfItsNeighbours)
{
    const QFont saved = QApplication::font();
    for (double factor : { 1.0, 2.0 }) {
        SCOPED_TRACE(factor);
        QFont f = saved;
        f.setPointSizeF(saved.pointSizeF() * factor);
        QApplication::setFont(f);
        start();
        // The drawn design lets the Keywords switch reach one drawn pixel into
        // the list below it, where the box paints nothing; a place and a size
        // rounded apart may add a pixel.
        const int touching = twips(15, fontScale(main_->font())) + 1;
        std::vector<QWidget*> made;
        for (const MainWindow::Control& c : MainWindow::controls()) {
            SCOPED_TRACE(c.row.name);
            const QList<QWidget*> found = main_->findChildren<QWidget*>(c.row.name);
            ASSERT_EQ(1, found.size());
            QWidget* w = found.front();
            EXPECT_EQ(QString(c.row.parent ? c.row.parent : "Main"), w->parentWidget()->objectName());
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
                << "in " << w->parentWidget()->size().width() << "x" << w->parentWidget()->size().height();
            for (QWidget* other : made) {
                const QRect common = w->geometry() & other->geometry();
                if (other->parentWidget() == w->parentWidget() && w->isVisible() && other->isVisible()) {
                    EXPECT_TRUE(common.isEmpty() || std::min(common.width(), common.height()) <= touching)
                        << "overlaps " << other->objectName().toStdString() << " by " << common.width() << "x"
                        << common.height() << ", " << touching << " allowed";
                }
            }
            made.push_back(w);
        }
        main_.reset();
    }
    QApplication::setFont(saved);
}
