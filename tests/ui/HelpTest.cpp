#include "DesktopFixture.h"

#include "text/Extract.h"
#include "text/Hook.h"
#include "text/StripTags.h"
#include "ui/HelpText.h"
#include "ui/HelpWindow.h"

#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

using namespace tamsenor;
using namespace tamsenor::testing;

class HelpTest : public DesktopFixture {
protected:
    HelpWindow* page(const char* name) { return main_->findChild<HelpWindow*>(QString::fromLatin1(name)); }
};

TEST_F(HelpTest, F1AndTheHelpMenuShowTheirPagesBesideTheWindow)
{
    start();
    activate();
    QTest::keyClick(control<QWidget>("List1"), Qt::Key_F1);
    HelpWindow* help = page("HelpWindow");
    ASSERT_NE(nullptr, help);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal()) << "the window stays usable";
    EXPECT_TRUE(help->page()->toPlainText().contains("Keywords and positions"));
    QTest::keyClick(main_.get(), Qt::Key_F1);
    EXPECT_EQ(1, main_->findChildren<HelpWindow*>().size()) << "one help window, brought forward again";

    QMenu* menu = button("CmdHelp")->menu();
    ASSERT_NE(nullptr, menu);
    auto* about = menu->findChild<QAction*>("ActAbout");
    ASSERT_NE(nullptr, about);
    about->trigger();
    ASSERT_NE(nullptr, page("AboutWindow"));
    EXPECT_TRUE(page("AboutWindow")->isVisible());
    EXPECT_FALSE(menu->findChild<QAction*>("ActRemember")->isVisible()) << "nothing to remember with";

    // They go with the window, so that they do not keep the program running.
    main_->close();
    EXPECT_FALSE(help->isVisible());
}

TEST_F(HelpTest, KeywordExamplesAreWhatTheExtractorGives)
{
    const QString help = HelpPageHtml();
    const std::string text = " Author: John Smith born 1970 ";
    ASSERT_TRUE(help.contains(QString::fromStdString(text).trimmed()));
    for (const char* positions : { "1, 2", "2", "1, 3", "3, 1" }) {
        SCOPED_TRACE(positions);
        std::string buffer = text;
        text::BasicHook hook;
        const std::string words = text::NextKeywordResult(buffer, { "Author:", positions }, hook);
        const QString shown = words.empty()
            ? QStringLiteral("<code>%1</code> gives nothing").arg(positions)
            : QStringLiteral("<code>%1</code> give <code>%2</code>").arg(positions, QString::fromStdString(words));
        EXPECT_TRUE(help.contains(shown)) << shown.toStdString();
    }
}

// The punctuation example is what a run gives: the pass searches the stripped text.
TEST_F(HelpTest, PunctuationExampleIsWhatARunGives)
{
    const QString help = HelpPageHtml();
    ASSERT_TRUE(help.contains("<code>K: a,b c.</code>"));
    for (const char* positions : { "1", "2, 3" }) {
        SCOPED_TRACE(positions);
        std::string buffer = " K: a,b c. ";
        text::BasicHook hook;
        ASSERT_FALSE(text::StripTags(buffer, hook).failed);
        const std::string words = text::NextKeywordResult(buffer, { "K:", positions }, hook);
        const QString shown
            = QStringLiteral("<code>%1</code> give <code>%2</code>").arg(positions, QString::fromStdString(words));
        EXPECT_TRUE(help.contains(shown)) << shown.toStdString();
    }
    for (const char* topic : { "Preview results", "Remember window and folders", "Browse", "tamsenor-batch" })
        EXPECT_TRUE(help.contains(QLatin1String(topic))) << topic;
}

TEST_F(HelpTest, AboutCreditsEveryLibraryWithItsLicence)
{
    const QString about = AboutPageHtml();
    QStringList names;
    for (const ThirdPartyLibrary& library : ThirdPartyLibraries()) {
        SCOPED_TRACE(library.name);
        names << QLatin1String(library.name);
        EXPECT_TRUE(about.contains(QStringLiteral(">%1</a>: ").arg(QLatin1String(library.name))));
        EXPECT_TRUE(about.contains(QLatin1String(library.licence)));
    }
    EXPECT_EQ(QStringList({ "Qt", "libxml2", "uchardet" }), names);
}

TEST_F(HelpTest, AboutNamesTheVersionTheQtVersionAndTheLicence)
{
    const QString about = AboutPageHtml();
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(ProgramVersion()).hasMatch())
        << ProgramVersion().toStdString();
    EXPECT_TRUE(about.contains("Tamsenor " + ProgramVersion()));
    EXPECT_TRUE(about.contains(QString::fromLatin1(qVersion())));
    QFile licence(":/tamsenor/LICENSE");
    ASSERT_TRUE(licence.open(QIODevice::ReadOnly)) << "the licence is built into the program";
    const QString text = QString::fromUtf8(licence.readAll());
    EXPECT_TRUE(text.startsWith("MIT License"));
    EXPECT_TRUE(about.contains(text.toHtmlEscaped()));
}
