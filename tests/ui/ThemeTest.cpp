#include "MainFixture.h"

#include "ui/toolkit/SystemColours.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QStyle>
#include <QStyleFactory>

using namespace tamsenor;
using namespace tamsenor::testing;

namespace {

QPalette fusionLight()
{
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

// The dark palette such applications commonly set by hand.
QPalette handMadeDark()
{
    QPalette p;
    const QColor window(0x35, 0x35, 0x35);
    const QColor grey(0x7f, 0x7f, 0x7f);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::Dark, QColor(0x23, 0x23, 0x23));
    p.setColor(QPalette::Shadow, QColor(0x14, 0x14, 0x14));
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::white);
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        p.setColor(QPalette::Disabled, role, grey);
    return p;
}

struct Theme {
    const char* name;
    QPalette palette;
};

std::vector<Theme> themes()
{
    return { { "Fusion light", fusionLight() }, { "dark, set by hand", handMadeDark() },
        { "dark, derived by Qt from one colour", QPalette(QColor(0x35, 0x35, 0x35)) } };
}

QPalette::ColorGroup groupOf(const QWidget* w)
{
    return w->isEnabled() ? QPalette::Active : QPalette::Disabled;
}

// Every enabled caption of the window whose contrast to its background is
// below AA, with the ratio; and the unchecked switches that look disabled.
QStringList unreadable(QWidget* window)
{
    QStringList out;
    auto check = [&](QWidget* w, const QColor& fg, const QColor& bg, double minimum) {
        const double ratio = ContrastRatio(fg, bg);
        if (ratio < minimum)
            out << QStringLiteral("%1 %2 on %3 (%4)").arg(w->objectName(), fg.name(), bg.name()).arg(ratio, 0, 'f', 2);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isEnabled() || !w->isVisible())
            continue;
        const QPalette& p = w->palette();
        if (auto* box = qobject_cast<CheckBox*>(w)) {
            check(w, box->paintedCaptionColour(), p.color(QPalette::Window), ReadableContrast);
            if (!box->isChecked()) {
                const QColor disabled = CaptionColour(p, box->captionColour(), QPalette::Disabled);
                check(w, box->paintedCaptionColour(), disabled, DistinctFromDisabled);
            }
        } else if (qobject_cast<QAbstractButton*>(w)) {
            check(
                w, p.color(groupOf(w), QPalette::ButtonText), p.color(groupOf(w), QPalette::Button), ReadableContrast);
        } else if (qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w)) {
            check(
                w, p.color(groupOf(w), QPalette::WindowText), p.color(groupOf(w), QPalette::Window), ReadableContrast);
        } else if (auto* list = qobject_cast<ListBox*>(w)) {
            check(w, p.color(groupOf(w), QPalette::Text), list->paintedBackgroundColour(), ReadableContrast);
        }
    }
    return out;
}

// The colour List3 really shows in an empty corner of its area.
QColor paintedCorner(ListBox* list)
{
    const QImage image = list->viewport()->grab().toImage();
    return image.pixelColor(image.width() - 2, image.height() - 2);
}

} // namespace

class ThemeTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        savedStyle_ = QApplication::style()->name();
        savedPalette_ = QApplication::palette();
        QApplication::setStyle(QStringLiteral("Fusion"));
    }
    void TearDown() override
    {
        MainFixture::TearDown();
        QApplication::setStyle(savedStyle_);
        QApplication::setPalette(savedPalette_);
    }
    QString savedStyle_;
    QPalette savedPalette_;
};

TEST_F(ThemeTest, CaptionsStayReadableAndFollowTheThemeWhileTheWindowIsOpen)
{
    start();
    auto* strip = check("ChkStrip");
    auto* web = check("ChkWebsite");
    ListBox* keywordList = list("List3");
    for (const Theme& theme : themes()) {
        SCOPED_TRACE(theme.name);
        // Changed under the open window, as a desktop's theme switch does.
        QApplication::setPalette(theme.palette);
        QApplication::processEvents();
        const QPalette& p = main_->palette();
        ASSERT_EQ(theme.palette.color(QPalette::Window), p.color(QPalette::Window));

        EXPECT_EQ("", unreadable(main_.get()).join(", ").toStdString()) << "idle";
        // List3 shows the scroll bar colour of this palette while it is off.
        EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Button), paintedCorner(keywordList));

        web->click();
        check("ChkKeyword")->click();
        EXPECT_EQ(p.color(QPalette::WindowText), web->paintedCaptionColour()) << "checked: the text colour";
        EXPECT_EQ(p.color(QPalette::Base), paintedCorner(keywordList)) << "keywords on: the window background colour";
        EXPECT_EQ("", unreadable(main_.get()).join(", ").toStdString()) << "extraction switches on";

        strip->click();
        ASSERT_FALSE(web->isEnabled());
        EXPECT_EQ("", unreadable(main_.get()).join(", ").toStdString()) << "strip mode";
        EXPECT_EQ(p.color(QPalette::Disabled, QPalette::WindowText), web->paintedCaptionColour())
            << "a disabled switch looks disabled";
        strip->click(); // back to idle: every switch unchecked
    }
}
