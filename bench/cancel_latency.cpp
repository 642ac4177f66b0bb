// A run over 5,000 files with Cancel pressed at several moments: the time from
// the press to the end of the run, the longest gap between two yields (how long
// a click can wait), and the resident memory every 500 files.
// Usage: tamsenor-cancel-bench [WORK_DIR]
#include "engine/ProcessRun.h"
#include "engine/RunHost.h"

#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tamsenor;
using Clk = std::chrono::steady_clock;

namespace {

long rssKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class Answers : public Prompts {
public:
    Answer message(const QString&, Icon, Buttons b, const QString& = {}) override
    {
        return b == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    std::optional<QString> openFile(const FileDialogSetup&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogSetup&) override { return std::nullopt; }
    QString chooseOutputDirectory() override { return dir; }
    QString dir;
};

class BenchHost : public RunHost {
public:
    SessionState g;
    MainState s;
    Answers answers;
    SystemClock clk;
    QStringList list;
    bool strip = false;
    int cancelAtFile = -1; // press Cancel once this file's caption shows
    int filesSeen = 0;
    Clk::time_point pressed {}, ended {}, lastYield {};
    double maxGapMs = 0;
    std::vector<long> rss;

    BenchHost()
    {
        g.useKeywords(std::make_shared<KeywordFile>());
        s.keywordsLoaded = true;
    }
    SessionState& session() override { return g; }
    MainState& state() override { return s; }
    Prompts& prompts() override { return answers; }
    const Clock& clock() const override { return clk; }
    int chosenCount() const override { return list.size(); }
    QString chosenEntry(int i) const override { return list.value(i); }
    void clearChosen() override { list.clear(); }
    bool stripChecked() const override { return strip; }
    void setCommandsEnabled(bool, bool, bool) override { }
    float overallProgress() const override { return o; }
    bool setOverallProgress(float v) override { return v >= 0 && v <= 100 ? (o = v, true) : false; }
    float fileProgress() const override { return f; }
    bool setFileProgress(float v) override { return v >= 0 && v <= 100 ? (f = v, true) : false; }
    void setProgressCaption(const QString&) override
    {
        ++filesSeen;
        if (filesSeen % 500 == 0)
            rss.push_back(rssKb());
    }
    void yield() override
    {
        const auto now = Clk::now();
        if (lastYield != Clk::time_point {})
            maxGapMs = std::max(maxGapMs, std::chrono::duration<double, std::milli>(now - lastYield).count());
        lastYield = now;
        if (filesSeen == cancelAtFile && !s.run.cancelRequested) {
            pressed = Clk::now();
            CancelProcessing(*this);
        }
    }
    void reset() override
    {
        ended = Clk::now();
        s.run.results.reset();
        s.settings.email = s.settings.website = s.settings.keyword = s.settings.strip = s.run.cancelRequested = false;
        list.clear();
    }

private:
    float o = 0, f = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const std::string root = argc > 1 ? argv[1] : "/tmp/tamsenor-bench";
    const int files = 5000;
    QDir().mkpath(QString::fromStdString(root + "/in"));
    QDir().mkpath(QString::fromStdString(root + "/out"));
    std::string page;
    for (int i = 0; i < 200; ++i)
        page += "<p class=\"c" + std::to_string(i % 7) + "\">Lorem ipsum dolor, sit amet; &amp; more text here</p>\r\n";
    page += "<a href=\"http://site.test/\">mail me@site.test</a>\r\n";
    QStringList chosen;
    for (int i = 0; i < files; ++i) {
        const std::string path = root + "/in/page" + std::to_string(i) + ".htm";
        std::ofstream(path, std::ios::binary) << page;
        chosen << QString::fromStdString(path);
    }
    std::printf("page size %zu bytes, %d files\n", page.size(), files);

    for (const bool strip : { false, true }) {
        for (const int at : { -1, 100, 2500, 4900 }) {
            BenchHost host;
            host.list = chosen;
            host.cancelAtFile = at;
            host.answers.dir = QString::fromStdString(root + "/out");
            if (strip) {
                host.strip = true;
                host.s.settings.strip = true;
            } else {
                host.s.settings.email = host.s.settings.website = true;
            }
            const long before = rssKb();
            const auto start = Clk::now();
            ProcessChosenFiles(host);
            const double totalMs = std::chrono::duration<double, std::milli>(Clk::now() - start).count();
            std::printf("%s cancel at file %5d: run %8.0f ms, max yield gap %6.2f ms", strip ? "strip  " : "extract",
                at, totalMs, host.maxGapMs);
            if (at >= 0)
                std::printf(", press->end %6.2f ms",
                    std::chrono::duration<double, std::milli>(host.ended - host.pressed).count());
            std::printf(", rss before %ld KB, per 500 files:", before);
            for (long r : host.rss)
                std::printf(" %ld", r);
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
