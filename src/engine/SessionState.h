#pragma once

#include "keywords/table/KeywordFile.h"
#include "results/RunResults.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tamsenor {

using Flag = std::int16_t; // 0 (off) or 1 (on)
using ResultsRecordSet = ResultsTable;

// The program-wide session.
struct SessionState {
    std::shared_ptr<KeywordFile> KeywordObject;
    KeywordTable* CurrentKeywords = nullptr; // always &KeywordObject->table
    std::vector<std::string> ColumnNames;
    QString KeywordSavePath;
    QString KeywordOpenPath;
    QString ResultsSavePath;
    Flag ResultsTableFailed = 0;
    QString StripOutputDir;

    // Makes `object` the keyword set in use, releasing the previous one.
    void useKeywords(std::shared_ptr<KeywordFile> object)
    {
        KeywordObject = std::move(object);
        CurrentKeywords = KeywordObject ? &KeywordObject->table : nullptr;
    }
};

// The main window's state record.
struct MainState {
    Flag EmailOn = 0;
    Flag WebsiteOn = 0;
    Flag KeywordOn = 0;
    Flag StripOn = 0;
    Flag CancelRequested = 0;
    std::shared_ptr<RunResults> ResultsTable;
    ResultsRecordSet* ResultsRecords = nullptr;
    std::string TextBuffer;
    std::int32_t SearchPos = 0;
    QString ExtensionFilter;
    QString CurrentFilePath;
    QStringList StripOutputFiles;
    Flag FirstLoadDone = 0;
    // When set, the "ProcessTime" text of every row instead of the clock's
    // (the companion's --process-time, local 8-bit bytes).
    std::optional<std::string> FixedProcessTime;
};

} // namespace tamsenor
