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

    // The run's findings in the form of `file`'s suffix (the results file when none);
    // the exports give the time as ISO 8601 (the tests run in UTC).
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
                    + "\",\"ProcessTime\":\"2024-03-05T10:00:00+00:00\"}\n";
            return bytes;
        }
        const std::string separator = file.endsWith(".csv") ? "," : "\t";
        bytes = file.endsWith(".csv") ? "\xEF\xBB\xBF" : "";
        bytes += "WebSite" + separator + "FileName" + separator + "ProcessTime\r\n";
        for (const auto& [site, name] : rows)
            bytes += site + separator + name + separator
                + (file.endsWith(".csv") ? "2024-03-05T10:00:00+00:00\r\n" : "Mar-5-24 10:00\r\n");
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
    struct Case {
        const char* name;
        std::function<void(ScriptedPrompts&, QString&)> script; // also names the file expected
        const char* button;
        int format; // the export format box: 0 CSV, 1 JSON Lines
        bool stillOpen;
        std::function<std::vector<QString>()> messages; // after the run, which names the files
    };
    const auto none = [] { return std::vector<QString> {}; };
    const Case cases[] = {
        { "Save writes the results file", [&](ScriptedPrompts& p, QString& f) { p.file(f = saved); }, "CmdSaveResults",
            0, false, none },
        { "Save onto a file of the run is refused, then cancelled",
            [&](ScriptedPrompts& p, QString& f) {
                p.file(a_).file(std::nullopt);
                f.clear();
            },
            "CmdSaveResults", 0, true,
            [&] { return std::vector { messages::ResultsNotSaved(a_, "it is one of the files being processed") }; } },
        { "Save asks before replacing",
            [&](ScriptedPrompts& p, QString& f) {
                WriteBytes(saved.toStdString(), "old");
                p.file(f = saved).answer(Answer::Yes);
            },
            "CmdSaveResults", 0, false, [&] { return std::vector { messages::ReplaceQuestion(saved) }; } },
        { "Export CSV", [&](ScriptedPrompts& p, QString& f) { p.file(f = saved + ".csv"); }, "CmdExportResults", 0,
            true, none },
        { "Export JSON Lines", [&](ScriptedPrompts& p, QString& f) { p.file(f = saved + ".jsonl"); },
            "CmdExportResults", 1, true, none },
        { "Close discards", [](ScriptedPrompts&, QString& f) { f.clear(); }, "CmdCloseResults", 0, false, none },
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
        EXPECT_EQ(c.messages(), prompts_.messageTexts());
        EXPECT_EQ(c.stillOpen, !window.isNull() && window->isVisible());
        if (!file.isEmpty())
            EXPECT_EQ(expected(file), ReadBytes(file.toStdString()));
        else
            EXPECT_FALSE(QFile::exists(saved));
        main_.reset();
    }
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

} // namespace
} // namespace tamsenor::testing
