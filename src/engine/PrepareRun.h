#pragma once

#include "engine/RunHost.h"
#include "engine/SessionState.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tamsenor {

// Asked every few thousand keywords by the long steps before a run; true
// stops the step (the user cancelled).
using StopCheck = std::function<bool()>;

// The results table's column names: "Email" (settings.email), "WebSite"
// (settings.website), every keyword name in table order (settings.keyword), then
// "FileName" and "ProcessTime", and "Link" and "MailTo" last (settings.links).
// A name goes into the first entry while that is
// still empty, so an empty keyword name at the front leaves no column of its
// own. Reading the names leaves `keywords` positioned past its last record.
// Nothing when `stop` asked to stop.
// Example: web sites and keywords Price, Phone ->
// "WebSite", "Price", "Phone", "FileName", "ProcessTime".
std::optional<std::vector<std::string>> BuildColumnNames(
    const RunSettings& settings, KeywordTable* keywords, const StopCheck& stop = {});

// Whether the keyword extractor can read `position` as its list of word
// positions (whole numbers of 16 bits, separated by commas). A lack of
// memory is thrown on, as the run's own steps throw it.
bool KeywordPositionsReadable(const std::string& name, const std::string& position);

// Why PrepareRun did not let a run go on.
enum class Refusal {
    None,
    NoSetting, // nothing to collect
    NoKeyword, // keyword extraction without keywords
    DuplicateKeyword, // two keywords of one name
    BuiltInColumn, // a keyword named like a column that this run always has
    UnnamedKeyword,
    UnreadablePositions, // a position list the extractor cannot read
    Cancelled, // the user cancelled while the checks ran; nothing was shown
};

struct PrepareRunResult {
    Refusal refusal = Refusal::None;
    std::string keyword; // the name of the keyword at fault (local 8-bit bytes)
    QString message; // what the window was shown; empty when nothing

    bool refused() const { return refusal != Refusal::None; }
};

// The pre-run checks and set-up: refuses (showing why, and returning the
// refusal), or, in strip mode, asks for stripOutputDir; in extraction mode
// builds columnNames, a new results table with its header row, and sets
// PBProgress to 0. The steps over the keywords yield every few thousand
// keywords and stop when cancel is requested.
PrepareRunResult PrepareRun(RunHost& host);

// The messages of the checks, as the user sees them.
namespace messages {
inline const QString NoFile = QStringLiteral("There is no file to be processed");
inline const QString NoSetting = QStringLiteral("There is no process setting, so the files can not be process.");
inline const QString StripDirectoryNotice
    = QStringLiteral("When Stripping HTML Tags processing is finished, please select a directory to save the results.");
inline const QString NoKeyword
    = QStringLiteral("While you want to have the files processed by KeyWord, there should have KeyWord.");
inline const QString DuplicateColumns
    = QStringLiteral("Some Keywords are same, please check the current Keywords and make sure they are unique.");
inline const QString UnnamedKeyword
    = QStringLiteral("A KeyWord without a name can not be searched, please delete it or give it a name.");
QString UnreadablePositions(const std::string& keywordName);
} // namespace messages

} // namespace tamsenor
