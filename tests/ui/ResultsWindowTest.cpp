// The opt-in results window through the real window: a run, scripted prompts,
// and what is left on disk afterwards.
#include "ui/ResultsWindow.h"
#include "engine/SaveResults.h"
#include "io/TempDir.h"
#include "results/SpillSeams.h"
#include "ui/MainFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QScreen>

namespace tamsenor::testing {
namespace {

class ResultsWindowTest : public MainFixture {
protected:
    QString write(const QString& name, const std::string& content)
    {
        const QString path = QDir(root_).filePath(name);
        WriteBytes(path.toStdString(), content);
        return path;
    }

    // Runs web-site extraction over two pages with previewing on.
    ResultsWindow* runWithPreview()
    {
        start();
        a_ = write("a.htm", "see http://a.test/x and http://b.test/ ");
        b_ = write("b.htm", "<p>http://a.test/x</p>");
        list("List2")->addEntry(a_);
        list("List2")->addEntry(b_);
        check("ChkWebsite")->click();
        button("CmdHelp")->menu()->findChild<QAction*>("ActPreviewResults")->trigger();
        button("CmdProcess")->click();
        return main_->resultsWindow();
    }

    // The run's findings in the form of `file`'s suffix (the results file when none).
    std::string expected(const QString& file) const
    {
        const std::string a = a_.toStdString();
        const std::string b = b_.toStdString();
        const std::vector<std::pair<std::string, std::string>> rows { { "http://a.test/x", a }, { "http://b.test/", a },
            { "http://a.test/x", b } };
        std::string bytes;
        if (file.endsWith(".jsonl")) {
            for (const auto& [site, name] : rows)
                bytes += "{\"WebSite\":\"" + site + "\",\"FileName\":\"" + name
                    + "\",\"ProcessTime\":\"Mar-5-24 10:00\"}\n";
            return bytes;
        }
        const std::string separator = file.endsWith(".csv") ? "," : "\t";
        bytes = file.endsWith(".csv") ? "\xEF\xBB\xBF" : "";
        bytes += "WebSite" + separator + "FileName" + separator + "ProcessTime\r\n";
        for (const auto& [site, name] : rows)
            bytes += site + separator + name + separator + "Mar-5-24 10:00\r\n";
        return bytes;
    }

    template <typename T> T* inResults(const char* name)
    {
        T* c = main_->resultsWindow()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(nullptr, c) << name;
        return c;
    }

    QString a_;
    QString b_;
};

TEST_F(ResultsWindowTest, OffByDefaultTheRunEndsWithTheSaveQuestion)
{
    start();
    EXPECT_FALSE(button("CmdHelp")->menu()->findChild<QAction*>("ActPreviewResults")->isChecked());
    list("List2")->addEntry(write("a.htm", "http://a.test/ "));
    check("ChkWebsite")->click();
    prompts_.answer(Answer::No);
    button("CmdProcess")->click();
    EXPECT_EQ(std::vector<QString> { messages::SaveQuestion }, prompts_.messageTexts());
    EXPECT_EQ(nullptr, main_->resultsWindow());
}

TEST_F(ResultsWindowTest, ShowsTheTableWithFilterCountsAndDistinctValues)
{
    SpillBound spill(0); // the rows are read back from disk
    ResultsWindow* window = runWithPreview();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(prompts_.asked.empty()) << "no save question";
    EXPECT_EQ(0, list("List2")->count()) << "the window was reset";

    QAbstractItemModel* model = window->table()->model();
    ASSERT_EQ(3, model->columnCount());
    EXPECT_EQ("WebSite", model->headerData(0, Qt::Horizontal).toString());
    EXPECT_EQ(3, model->rowCount());
    EXPECT_TRUE(inResults<QLabel>("LblResultsNote")->isHidden());

    auto* counts = inResults<QLabel>("LblColumnCounts");
    const struct {
        const char* filter;
        int rows;
        QString counts;
        QString topValue;
        int topCount;
    } cases[] = {
        { "", 3, "Rows shown: 3. Values per column: WebSite: 3, FileName: 3, ProcessTime: 3", "http://a.test/x", 2 },
        { "B.TEST", 1, "Rows shown: 1. Values per column: WebSite: 1, FileName: 1, ProcessTime: 1", "http://b.test/",
            1 },
        { "b.htm", 1, "Rows shown: 1. Values per column: WebSite: 1, FileName: 1, ProcessTime: 1", "http://a.test/x",
            1 },
        { "nowhere", 0, "Rows shown: 0. Values per column: WebSite: 0, FileName: 0, ProcessTime: 0", "", 0 },
    };
    auto* distinct = inResults<QTableWidget>("TblDistinct");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        inResults<QLineEdit>("TxtFilter")->setText(QString::fromLatin1(c.filter));
        EXPECT_EQ(c.rows, model->rowCount());
        EXPECT_EQ(c.counts, counts->text());
        EXPECT_EQ(c.counts, QAccessible::queryAccessibleInterface(counts)->text(QAccessible::Name));
        if (c.topCount > 0) {
            ASSERT_GE(distinct->rowCount(), 1);
            EXPECT_EQ(c.topValue, distinct->item(0, 0)->text());
            EXPECT_EQ(c.topCount, distinct->item(0, 1)->data(Qt::DisplayRole).toInt());
        } else {
            EXPECT_EQ(0, distinct->rowCount());
        }
    }
    inResults<QLineEdit>("TxtFilter")->clear();
    inResults<QComboBox>("CboDistinctColumn")->setCurrentIndex(1);
    ASSERT_EQ(2, distinct->rowCount());
    EXPECT_EQ(a_, distinct->item(0, 0)->text());
    EXPECT_EQ(2, distinct->item(0, 1)->data(Qt::DisplayRole).toInt());

    window->table()->sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ("http://b.test/", model->index(0, 0).data().toString());
}

TEST_F(ResultsWindowTest, SaveExportAndClose)
{
    TempDir out;
    const QString saved = QString::fromStdString(out.file("r.txt"));
    const QString bare = QString::fromStdString(out.file("r"));
    struct Case {
        const char* name;
        std::function<void(ScriptedPrompts&, QString&)> script; // also names the file expected
        const char* button;
        int format; // the export format box: 0 CSV, 1 JSON Lines
        bool stillOpen;
        std::function<std::vector<QString>(const QString& file)> messages; // after the run, which names the files
    };
    const Case cases[] = {
        { "Save writes the results file and says so", [&](ScriptedPrompts& p, QString& f) { p.file(f = saved); },
            "CmdSaveResults", 0, false,
            [](const QString& f) { return std::vector { QString("3 rows were saved to '" + f + "'.") }; } },
        { "Save onto a file of the run is refused, then cancelled",
            [&](ScriptedPrompts& p, QString& f) {
                p.file(a_).file(std::nullopt);
                f.clear();
            },
            "CmdSaveResults", 0, true,
            [&](const QString&) {
                return std::vector { messages::ResultsNotSaved(a_, "it is one of the files being processed") };
            } },
        { "Save asks before replacing",
            [&](ScriptedPrompts& p, QString& f) {
                WriteBytes(saved.toStdString(), "old");
                p.file(f = saved).answer(Answer::Yes);
            },
            "CmdSaveResults", 0, false,
            [](const QString& f) { return std::vector { messages::ReplaceQuestion(f), messages::ResultsSaved(3, f) }; } },
        { "Export CSV", [&](ScriptedPrompts& p, QString& f) { p.file(f = saved + ".csv"); }, "CmdExportResults", 0,
            true,
            [](const QString& f) { return std::vector { QString("3 rows were exported to '" + f + "' as CSV.") }; } },
        { "Export JSON Lines adds its suffix",
            [&](ScriptedPrompts& p, QString& f) {
                p.file(bare);
                f = bare + ".jsonl";
            },
            "CmdExportResults", 1, true,
            [](const QString& f) { return std::vector { messages::ResultsExported(3, f, "JSON Lines") }; } },
        { "Export CSV adds its suffix",
            [&](ScriptedPrompts& p, QString& f) {
                p.file(bare);
                f = bare + ".csv";
            },
            "CmdExportResults", 0, true, [](const QString& f) { return std::vector { messages::ResultsExported(3, f, "CSV") }; } },
        { "Close asks, Yes discards", [](ScriptedPrompts& p, QString& f) {
                p.answer(Answer::Yes);
                f.clear();
            },
            "CmdCloseResults", 0, false,
            [](const QString&) {
                return std::vector { QString("The results are not saved. Do you want to discard them?") };
            } },
        { "Close asks, No keeps the window", [](ScriptedPrompts& p, QString& f) {
                p.answer(Answer::No);
                f.clear();
            },
            "CmdCloseResults", 0, true,
            [](const QString&) { return std::vector { messages::DiscardResultsQuestion() }; } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(saved);
        prompts_ = ScriptedPrompts();
        QPointer<ResultsWindow> window = runWithPreview();
        ASSERT_TRUE(window);
        QString file;
        c.script(prompts_, file);
        inResults<QComboBox>("CboExportFormat")->setCurrentIndex(c.format);
        inResults<QPushButton>(c.button)->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        EXPECT_TRUE(prompts_.scriptUsedUp());
        EXPECT_EQ(c.messages(file), prompts_.messageTexts());
        EXPECT_EQ(c.stillOpen, !window.isNull() && window->isVisible());
        if (!file.isEmpty())
            EXPECT_EQ(expected(file), ReadBytes(file.toStdString()));
        else
            EXPECT_FALSE(QFile::exists(saved));
        main_.reset();
    }
}

// Save and Export propose a results name of their format, never the keyword
// file's name that the main window's dialog last held.
TEST_F(ResultsWindowTest, SaveAndExportProposeAResultsNameOfTheirFormat)
{
    ResultsWindow* window = runWithPreview();
    ASSERT_NE(nullptr, window);
    prompts_.file(std::nullopt).file(std::nullopt).file(std::nullopt);
    inResults<QPushButton>("CmdSaveResults")->click();
    for (int format : { 0, 1 }) {
        inResults<QComboBox>("CboExportFormat")->setCurrentIndex(format);
        inResults<QPushButton>("CmdExportResults")->click();
    }
    std::vector<std::pair<QString, QString>> proposed;
    for (const auto& asked : prompts_.asked) {
        EXPECT_EQ(FileKind::Results, asked.fileDialog.kind);
        proposed.emplace_back(asked.fileDialog.proposedName, asked.fileDialog.suffix);
    }
    EXPECT_EQ((std::vector<std::pair<QString, QString>> {
                  { "results.txt", "" }, { "results.csv", "csv" }, { "results.jsonl", "jsonl" } }),
        proposed);
}

// With a filter on, Export asks whether to write only the rows shown.
TEST_F(ResultsWindowTest, ExportOffersTheRowsShown)
{
    TempDir out;
    const struct {
        const char* name;
        Answer answer;
        std::size_t rows;
    } cases[] = { { "Yes: the rows shown", Answer::Yes, 1 }, { "No: all rows", Answer::No, 3 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = QString::fromStdString(out.file(std::to_string(c.rows) + ".jsonl"));
        prompts_ = ScriptedPrompts();
        ResultsWindow* window = runWithPreview();
        ASSERT_NE(nullptr, window);
        inResults<QLineEdit>("TxtFilter")->setText("b.htm");
        inResults<QComboBox>("CboExportFormat")->setCurrentIndex(1);
        prompts_.answer(c.answer).file(file);
        inResults<QPushButton>("CmdExportResults")->click();
        EXPECT_EQ((std::vector<QString> { "The filter shows 1 of the 3 rows. Do you want to export only the rows "
                                          "shown? No exports all rows.",
                      messages::ResultsExported(c.rows, file, "JSON Lines") }),
            prompts_.messageTexts());
        const std::string written = ReadBytes(file.toStdString());
        EXPECT_EQ(c.rows, static_cast<std::size_t>(std::count(written.begin(), written.end(), '\n')));
        if (c.rows == 1) {
            EXPECT_EQ("{\"WebSite\":\"http://a.test/x\",\"FileName\":\"" + b_.toStdString()
                    + "\",\"ProcessTime\":\"Mar-5-24 10:00\"}\n",
                written);
        }
        // Only a whole export keeps the results: closing still asks after a part.
        if (c.rows == 1)
            prompts_.answer(Answer::No);
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_TRUE(prompts_.scriptUsedUp());
        EXPECT_EQ(c.rows == 1, window->isVisible());
        main_.reset();
    }
}

TEST_F(ResultsWindowTest, EscapeAsksAndTabLeavesTheTable)
{
    ResultsWindow* window = runWithPreview();
    ASSERT_NE(nullptr, window);
    QApplication::setActiveWindow(window);
    window->table()->setFocus();
    QTest::keyClick(window->table(), Qt::Key_Tab);
    EXPECT_EQ(inResults<QComboBox>("CboDistinctColumn"), QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(window->table(), QApplication::focusWidget());

    prompts_.answer(Answer::No);
    QTest::keyClick(window->table(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    prompts_.answer(Answer::Yes);
    QTest::keyClick(window->table(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(2u, prompts_.messages().size());
    EXPECT_TRUE(prompts_.scriptUsedUp());
}

// Every button stays on a small screen (the offscreen one is 800 by 600) and
// every access key is the window's only one.
TEST_F(ResultsWindowTest, FitsTheScreenWithUniqueAccessKeys)
{
    ResultsWindow* window = runWithPreview();
    ASSERT_NE(nullptr, window);
    const QRect room = window->screen()->availableGeometry();
    EXPECT_LE(window->width(), room.width());
    EXPECT_LE(window->height(), room.height());
    QStringList keys;
    for (QAbstractButton* b : window->findChildren<QPushButton*>()) {
        EXPECT_TRUE(window->rect().contains(QRect(b->mapTo(window, QPoint()), b->size()))) << b->objectName().toStdString();
        keys << b->text();
    }
    for (QLabel* l : window->findChildren<QLabel*>())
        keys << l->text();
    QStringList seen;
    for (const QString& text : keys) {
        const qsizetype amp = text.indexOf(u'&');
        if (amp < 0 || amp + 1 >= text.size())
            continue;
        const QString key = text.mid(amp + 1, 1).toLower();
        EXPECT_FALSE(seen.contains(key)) << text.toStdString();
        seen << key;
    }
    EXPECT_EQ(6, seen.size());
}

TEST_F(ResultsWindowTest, RowsPastTheBoundAreCountedAndNoted)
{
    RunResults results({ "WebSite", "FileName" });
    for (const char* value : { "WebSite", "http://a.test/", "http://b.test/" }) {
        results.table.addRow();
        results.table.setValue(0, value);
    }
    SessionState session;
    ResultsWindow window(std::make_shared<RunResults>(std::move(results)), {}, prompts_, session, {}, nullptr, 10);
    EXPECT_EQ(1, window.table()->model()->rowCount());
    auto* note = window.findChild<QLabel*>("LblResultsNote");
    EXPECT_EQ("The first 1 of the 2 findings are shown; Save and Export write all of them.", note->text());
}

// A byte that is no UTF-8 is shown as U+FFFD, its row is found by the
// filter, and the rows shown are exported with their own bytes.
TEST_F(ResultsWindowTest, RowsWithALatin1ByteAreShownFoundAndExported)
{
    RunResults results({ "WebSite" });
    for (const char* value : { "WebSite", "http://caf\xE9.test/", "http://b.test/" }) {
        results.table.addRow();
        results.table.setValue(0, value);
    }
    SessionState session;
    ResultsWindow window(std::make_shared<RunResults>(std::move(results)), {}, prompts_, session, {});
    window.findChild<QLineEdit*>("TxtFilter")->setText("caf");
    QAbstractItemModel* model = window.table()->model();
    ASSERT_EQ(1, model->rowCount());
    EXPECT_EQ(QString("http://caf\uFFFD.test/"), model->index(0, 0).data().toString());

    TempDir out;
    const QString file = QString::fromStdString(out.file("r.txt"));
    prompts_.answer(Answer::Yes).file(file);
    window.findChild<QComboBox*>("CboExportFormat")->setCurrentIndex(1);
    window.findChild<QPushButton*>("CmdExportResults")->click();
    EXPECT_EQ("{\"WebSite\":\"http://caf\\ufffd.test/\"}\n", ReadBytes(file.toStdString()));
}

} // namespace
} // namespace tamsenor::testing
