// Bad inputs and a full disk through the real window: the Process button,
// scripted prompts, and what is left on disk afterwards.
#include "engine/ExtractionRun.h"
#include "engine/PrepareRun.h"
#include "engine/SaveResults.h"
#include "engine/StripRun.h"
#include "io/TempDir.h"
#include "ui/MainFixture.h"

#include <filesystem>

namespace tamsenor::testing {
namespace {

namespace fs = std::filesystem;

// Messages one per line, so that a mismatch shows as text.
std::string join(const std::vector<QString>& texts)
{
    std::string out;
    for (const QString& text : texts)
        out += text.toStdString() + "\n";
    return out;
}

class WindowFailureTest : public MainFixture {
protected:
    QString write(const QString& name, const std::string& content)
    {
        const QString path = QDir(root_).filePath(name);
        WriteBytes(path.toStdString(), content);
        return path;
    }
    void choose(const QStringList& paths)
    {
        for (const QString& path : paths)
            list("List2")->addEntry(path);
    }
};

// List2 keeps its entries sorted; the names give the order of the messages.
TEST_F(WindowFailureTest, VanishedAndBinaryFilesAreReportedAndTheRestIsSaved)
{
    start();
    const QString vanished = write("a-vanished.htm", "http://lost.test/ ");
    const QString png = write("b-image.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    const QString good = write("c-good.htm", "<a>see http://good.test/ </a>");
    choose({ vanished, png, good });
    ASSERT_TRUE(QFile::remove(vanished)); // gone after it was chosen
    check("ChkWebsite")->click();
    const QString saved = QDir(root_).filePath("results.txt");
    prompts_.answer(Answer::Yes).file(saved);

    button("CmdProcess")->click();

    const std::vector<QString> expected {
        messages::FileHasProblem(vanished, "No such file or directory"),
        messages::FileNotAppropriate(png),
        messages::SaveQuestion,
    };
    EXPECT_EQ(join(expected), join(prompts_.messageTexts()));
    EXPECT_EQ("WebSite\tFileName\tProcessTime\r\nhttp://good.test/\t" + good.toStdString() + "\tMar-5-24 10:00\r\n",
        ReadBytes(saved.toStdString()));
    EXPECT_EQ(0, list("List2")->count());
    EXPECT_TRUE(button("CmdProcess")->isEnabled());
}

TEST_F(WindowFailureTest, StripListsTheVanishedFileAmongTheSkipped)
{
    start();
    const QString out = QDir(root_).filePath("out");
    ASSERT_TRUE(QDir().mkdir(out));
    const QString vanished = write("vanished.htm", "<p>lost</p>");
    const QString good = write("good.htm", "<p>kept</p>");
    choose({ vanished, good });
    ASSERT_TRUE(QFile::remove(vanished));
    check("ChkStrip")->click();
    prompts_.answer(Answer::Ok).directory(out);

    button("CmdProcess")->click();

    const std::vector<QString> expected {
        messages::StripDirectoryNotice,
        messages::StripFinished,
        messages::FilesNotConverted({ { vanished, QStringLiteral("No such file or directory") } }),
    };
    EXPECT_EQ(join(expected), join(prompts_.messageTexts()));
    EXPECT_EQ(QStringList { "goodhtm.txt" }, QDir(out).entryList(QDir::Files | QDir::Hidden));
}

TEST_F(WindowFailureTest, FullDiskWhileSavingResultsKeepsTheOldFile)
{
    start();
    const QString old = write("results.txt", "old results");
    choose({ write("page.htm", "mail a@b.test and c@d.test") });
    check("ChkEmail")->click();
    // Save over the old file, the disk is full, then the user gives up.
    prompts_.answer(Answer::Yes).file(old).answer(Answer::Yes).file(std::nullopt);
    {
        WriteFailureAfter full(8);
        button("CmdProcess")->click();
    }

    const auto texts = prompts_.messageTexts();
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ(messages::ResultsNotSaved(old, "No space left on device"), texts[2]);
    EXPECT_EQ("old results", ReadBytes(old.toStdString()));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_.toStdString()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string> { "page.htm", "results.txt" }), names) << "no temporary file is left";
    EXPECT_TRUE(prompts_.scriptUsedUp());
}

} // namespace
} // namespace tamsenor::testing
