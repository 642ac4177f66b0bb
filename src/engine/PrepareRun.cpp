#include "engine/PrepareRun.h"

#include "engine/LocalText.h"
#include "text/Extract.h"

#include <new>

namespace tamsenor {

QString messages::UnreadablePositions(const std::string& keywordName)
{
    return QStringLiteral("The positions of the KeyWord '") + FromLocalBytes(keywordName)
        + QStringLiteral("' can not be read, please correct them with Property.");
}

std::vector<std::string> BuildColumnNames(Flag emailOn, Flag websiteOn, Flag keywordOn, KeywordTable* keywords)
{
    std::vector<std::string> names(1);
    auto append = [&names](const std::string& name) {
        if (names.front().empty())
            names.front() = name;
        else
            names.push_back(name);
    };
    if (emailOn == 1)
        append("Email");
    if (websiteOn == 1)
        append("WebSite");
    if (keywordOn == 1 && keywords) {
        for (keywords->moveFirst(); !keywords->eof(); keywords->moveNext())
            append(keywords->name());
    }
    names.push_back("FileName");
    names.push_back("ProcessTime");
    return names;
}

bool KeywordPositionsReadable(const std::string& name, const std::string& position)
{
    // The extractor reads the list only where the keyword occurs; one dry call
    // on a text holding the keyword reads it exactly as a run would.
    std::string text = " " + name + " ";
    text::BasicHook hook;
    try {
        text::NextKeywordResult(text, { name, position }, hook);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

namespace {

void Reject(RunHost& host, const QString& text, Icon icon)
{
    host.prompts().message(text, icon, Buttons::Ok);
    host.state().RunRejected = 1;
}

// The keyword checks the run needs beyond unique names: every keyword must
// have a name to search for and a position list the extractor can read.
bool KeywordsSearchable(RunHost& host)
{
    const KeywordTable* keywords = host.globals().CurrentKeywords;
    if (!keywords)
        return true;
    for (const KeywordTable::Record& record : keywords->records()) {
        if (record.name.empty()) {
            Reject(host, messages::UnnamedKeyword, Icon::Critical);
            return false;
        }
        if (!KeywordPositionsReadable(record.name, record.position)) {
            Reject(host, messages::UnreadablePositions(record.name), Icon::Critical);
            return false;
        }
    }
    return true;
}

} // namespace

void PrepareRun(RunHost& host)
{
    MainState& state = host.state();
    Module1& globals = host.globals();
    Prompts& prompts = host.prompts();

    state.RunRejected = 0;
    if (state.EmailOn + state.WebsiteOn + state.KeywordOn + state.StripOn == 0) {
        Reject(host, messages::NoSetting, Icon::None);
        return;
    }

    globals.StripOutputDir.clear();
    if (host.stripChecked()) {
        // Either answer ends the checks; an empty directory ends the run later.
        if (prompts.message(messages::StripDirectoryNotice, Icon::None, Buttons::OkCancel) == Answer::Ok)
            globals.StripOutputDir = prompts.chooseOutputDirectory();
        return;
    }

    const bool noKeywords = !globals.CurrentKeywords || globals.CurrentKeywords->recordCount() == 0;
    if (noKeywords && state.KeywordOn > 0) {
        Reject(host, messages::NoKeyword, Icon::None);
        return;
    }

    globals.ColumnNames = BuildColumnNames(state.EmailOn, state.WebsiteOn, state.KeywordOn, globals.CurrentKeywords);
    state.ResultsTable = std::make_shared<clsWF>(globals.ColumnNames);
    state.ResultsRecords = &state.ResultsTable->rstWF;
    if (state.ResultsTable->failed())
        globals.ResultsTableFailed = 1;
    if (globals.ResultsTableFailed == 1) {
        globals.ResultsTableFailed = 0;
        Reject(host, messages::DuplicateColumns, Icon::Critical);
        return;
    }

    if (state.KeywordOn == 1 && !KeywordsSearchable(host))
        return;

    ResultsTable& table = *state.ResultsRecords;
    table.addRow();
    for (std::size_t k = 0; k < globals.ColumnNames.size(); ++k)
        table.setValue(k, globals.ColumnNames[k]);

    host.setOverallProgress(0.0f);
}

} // namespace tamsenor
