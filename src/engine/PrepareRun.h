#pragma once

#include "engine/ProgramState.h"
#include "engine/RunHost.h"

#include <string>
#include <vector>

namespace tamsenor {

// The results table's column names: "Email" (emailOn 1), "WebSite"
// (websiteOn 1), every keyword name in table order (keywordOn 1), then
// "FileName" and "ProcessTime". A name goes into the first entry while that is
// still empty, so an empty keyword name at the front leaves no column of its
// own. Reading the names leaves `keywords` positioned past its last record.
// Example: web sites and keywords Price, Phone ->
// "WebSite", "Price", "Phone", "FileName", "ProcessTime".
std::vector<std::string> BuildColumnNames(Flag emailOn, Flag websiteOn, Flag keywordOn, KeywordTable* keywords);

// Whether the keyword extractor can read `position` as its list of word
// positions (whole numbers of 16 bits, separated by commas).
bool KeywordPositionsReadable(const std::string& name, const std::string& position);

// The pre-run checks and set-up: sets RunRejected (after showing why), or, in
// strip mode, asks for StripOutputDir; in extraction mode builds ColumnNames,
// a new results table with its header row, and sets PBProgress to 0.
void PrepareRun(RunHost& host);

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
