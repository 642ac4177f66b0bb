#include "engine/PrepareRun.h"

#include "files/LocalText.h"
#include "text/Extract.h"

namespace tamsenor {

QString messages::UnreadablePositions(const std::string& keywordName)
{
    return QStringLiteral("The positions of the KeyWord '") + FromLocalBytes(keywordName)
        + QStringLiteral("' can not be read, please correct them with Property.");
}

namespace {

constexpr int KeywordsBetweenYields = 4096;

// Counts keywords and, every few thousand, asks `stop`.
class Pace {
public:
    explicit Pace(const StopCheck& stop)
        : stop_(stop)
    {
    }

    bool stopped() { return ++count_ % KeywordsBetweenYields == 0 && stop_ && stop_(); }

private:
    const StopCheck& stop_;
    int count_ = 0;
};

} // namespace

std::optional<std::vector<std::string>> BuildColumnNames(
    const RunSettings& settings, KeywordTable* keywords, const StopCheck& stop)
{
    std::vector<std::string> names(1);
    auto append = [&names](const std::string& name) {
        if (names.front().empty())
            names.front() = name;
        else
            names.push_back(name);
    };
    if (settings.email)
        append("Email");
    if (settings.website)
        append("WebSite");
    if (settings.keyword && keywords) {
        names.reserve(static_cast<std::size_t>(keywords->recordCount()) + 4);
        Pace pace(stop);
        for (keywords->moveFirst(); !keywords->eof(); keywords->moveNext()) {
            if (pace.stopped())
                return std::nullopt;
            append(keywords->name());
        }
    }
    if (settings.links && names.size() == 1 && names.front().empty())
        names.clear(); // links alone: no column of an extractor to go first
    names.push_back("FileName");
    names.push_back("ProcessTime");
    if (settings.links) {
        names.push_back("Link");
        names.push_back("MailTo");
    }
    return names;
}

bool KeywordPositionsReadable(const std::string& name, const std::string& position)
{
    // A keyword without a name never occurs, so its list is never read.
    return name.empty() || text::PositionListReadable(position);
}

namespace {

PrepareRunResult Reject(RunHost& host, Refusal refusal, const QString& text, Icon icon, std::string keyword = {})
{
    host.prompts().message(text, icon, Buttons::Ok);
    return { refusal, std::move(keyword), text };
}

PrepareRunResult Cancelled()
{
    return { Refusal::Cancelled, {}, {} };
}

// The refusal for a column name that the results table already had: a name
// of a column this run always has (renaming the keyword is the cure whether
// or not another keyword bears it too), or else two keywords of one name.
// The window words both alike, as two columns of one name; the companion
// tells them apart by the refusal.
PrepareRunResult ColumnClash(RunHost& host, const std::string& name)
{
    const MainState& state = host.state();
    const bool builtIn = name == "FileName" || name == "ProcessTime" || (name == "Email" && state.settings.email)
        || (name == "WebSite" && state.settings.website)
        || ((name == "Link" || name == "MailTo") && state.settings.links);
    if (builtIn)
        return Reject(host, Refusal::BuiltInColumn, messages::DuplicateColumns, Icon::Critical, name);
    return Reject(host, Refusal::DuplicateKeyword, messages::DuplicateColumns, Icon::Critical, name);
}

// The keyword checks the run needs beyond unique names: every keyword must
// have a name to search for and a position list the extractor can read.
PrepareRunResult KeywordsSearchable(RunHost& host, const StopCheck& stop)
{
    const KeywordTable* keywords = host.session().keywords();
    if (!keywords)
        return {};
    Pace pace(stop);
    for (const KeywordTable::Record& record : keywords->records()) {
        if (pace.stopped())
            return Cancelled();
        if (record.name.empty())
            return Reject(host, Refusal::UnnamedKeyword, messages::UnnamedKeyword, Icon::Critical);
        if (!KeywordPositionsReadable(record.name, record.position))
            return Reject(host, Refusal::UnreadablePositions, messages::UnreadablePositions(record.name),
                Icon::Critical, record.name);
    }
    return {};
}

} // namespace

PrepareRunResult PrepareRun(RunHost& host)
{
    MainState& state = host.state();
    SessionState& session = host.session();
    Prompts& prompts = host.prompts();
    const StopCheck stop = [&host] {
        host.yield();
        return host.state().run.cancelRequested;
    };

    if (!(state.settings.email || state.settings.website || state.settings.keyword || state.settings.links
            || state.settings.strip))
        return Reject(host, Refusal::NoSetting, messages::NoSetting, Icon::None);

    session.stripOutputDir.clear();
    if (host.stripChecked()) {
        // Either answer ends the checks; an empty directory ends the run later.
        if (prompts.message(messages::StripDirectoryNotice, Icon::None, Buttons::OkCancel) == Answer::Ok)
            session.stripOutputDir = prompts.chooseOutputDirectory();
        return {};
    }

    const bool noKeywords = !session.keywords() || session.keywords()->recordCount() == 0;
    if (noKeywords && state.settings.keyword)
        return Reject(host, Refusal::NoKeyword, messages::NoKeyword, Icon::None);

    std::optional<std::vector<std::string>> columns = BuildColumnNames(state.settings, session.keywords(), stop);
    if (!columns)
        return Cancelled();
    session.columnNames = std::move(*columns);
    // The results table gets its columns one by one, as its constructor would
    // add them, so that a cancel is seen among millions of keyword columns.
    state.run.results = std::make_shared<RunResults>(std::vector<std::string>());
    const std::string* clash = nullptr;
    Pace columnPace(stop);
    for (const std::string& name : session.columnNames) {
        if (columnPace.stopped())
            return Cancelled();
        if (!state.run.results->table.appendColumn(name)) {
            clash = &name;
            break;
        }
    }
    if (clash)
        return ColumnClash(host, *clash);

    if (state.settings.keyword) {
        if (PrepareRunResult checked = KeywordsSearchable(host, stop); checked.refused())
            return checked;
    }

    ResultsTable& table = state.run.results->table;
    table.addRow();
    Pace pace(stop);
    for (std::size_t k = 0; k < session.columnNames.size(); ++k) {
        if (pace.stopped())
            return Cancelled();
        table.setValue(k, session.columnNames[k]);
    }

    host.setOverallProgress(0.0f);
    return {};
}

} // namespace tamsenor
