#pragma once

#include "keywords/KeywordFile.h"
#include "results/RunResults.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tamsenor {

// The program-wide session.
struct SessionState {
    std::shared_ptr<KeywordFile> keywordFile; // the keyword set in use
    std::vector<std::string> columnNames; // of the last run's results table
    QString keywordSavePath;
    QString keywordOpenPath;
    QString resultsSavePath;
    QString stripOutputDir;

    // The keyword table in use; null when there is none.
    KeywordTable* keywords() const { return keywordFile ? &keywordFile->table : nullptr; }

    // Makes `object` the keyword set in use, releasing the previous one.
    void useKeywords(std::shared_ptr<KeywordFile> object) { keywordFile = std::move(object); }
};

// What the next run collects, as the window's switches set it.
struct RunSettings {
    bool email = false; // ChkEmail
    bool website = false; // ChkWebsite
    bool keyword = false; // ChkKeyword
    bool strip = false; // ChkStrip: strip mode instead of extraction
    bool links = false; // ChkLinks: the links and mailto addresses of the markup as well
    bool readable = false; // ChkReadable: strip mode writes the text as a browser shows it
    bool readableExtraction = false; // the extractors search that text instead of the stripped one
    bool mainText = false; // ChkMainText: that text narrowed to the page's main text (markup::RenderMainText)
    QString extensionFilter; // the file chooser's suffix, without "*."
    // When set, the "ProcessTime" text of every row instead of the clock's
    // (the companion's --process-time, local 8-bit bytes).
    std::optional<std::string> fixedProcessTime;
};

// What a run holds while it goes, and leaves behind.
struct RunState {
    bool cancelRequested = false;
    std::shared_ptr<RunResults> results; // the extraction run's table; null between runs
    std::string textBuffer; // the text of the file being processed
    QStringList stripOutputFiles; // strip mode: an empty first entry, then every output written
};

// The main window's state record.
struct MainState {
    RunSettings settings;
    RunState run;
    bool keywordsLoaded = false; // the first reset has loaded the keyword file
};

} // namespace tamsenor
