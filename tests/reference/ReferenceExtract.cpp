#include "reference/ReferenceExtract.h"

#include "text/TextOps.h"

#include <optional>
#include <vector>

namespace tamsenor::reference {

using text::ExtractSetup;
using text::Hook;
using text::Keyword;
using text::Outcome;
using text::RowSink;

using namespace text::ops; // the plain string operations the literal engines are written in

namespace {

constexpr std::size_t MaxEmailLength = 199;

// The right part of a candidate: from the start of `rest` up to the first
// space. With no space left the candidate runs to the end of the text.
std::string runUpToSpace(const std::string& rest)
{
    std::size_t q = Find(rest, " ");
    if (q == 0)
        return Trim(rest);
    return Trim(Left(rest, q - 1));
}

short positionNumber(const std::string& element)
{
    const std::optional<short> number = text::ParsePositionNumber(element);
    if (!number)
        throw text::PositionError("\"" + element + "\" is not a position number");
    return *number;
}

} // namespace

std::string NextEmail(std::string& text, Hook& hook)
{
    std::string result;
    std::size_t p = Find(text, "@");
    if (p != 0) {
        std::string head = Left(text, p);
        std::string rest = From(text, p + 1);

        // The run of non-space characters right before the "@", with the "@".
        std::string reversedHead = Reverse(head);
        std::size_t d = Find(reversedHead, " ");
        std::string left = Reverse(Trim(Left(reversedHead, d)));

        std::string right = runUpToSpace(rest);

        hook.yield();
        result = Left(left + right, MaxEmailLength);
        text.erase(p - 1, 1);
    }
    return result;
}

std::string NextWebSite(std::string& text, Hook& hook)
{
    std::string result;
    std::size_t p = Find(text, "://");
    if (p != 0) {
        std::string head = Left(text, p - 1);
        std::string rest = From(text, p);

        // The run of non-space characters right before the "://" (the scheme);
        // with no space before it the run reaches back to the start of the text.
        std::string reversedHead = Reverse(head);
        std::size_t d = Find(reversedHead, " ");
        std::string scheme = d == 0 ? head : Reverse(Trim(Left(reversedHead, d - 1)));

        std::string right = runUpToSpace(rest);

        hook.yield();
        result = scheme + right;
        text.erase(p - 1, 3);
    }
    return result;
}

std::string NextKeywordResult(std::string& text, const Keyword& keyword, Hook& hook)
{
    std::vector<short> positions { 0 };
    const std::string& name = keyword.name;
    std::string result;

    // An empty name would "occur" everywhere and its deletion would never end.
    bool occurs = !name.empty() && Find(text, name) != 0;
    if (occurs) {
        std::string list = Trim(keyword.position);
        bool singleZero = false;

        if (Find(list, ",") == 0) {
            positions[0] = positionNumber(list);
            singleZero = positions[0] == 0;
        } else {
            while (Find(list, ",") != 0) {
                hook.yield();
                std::size_t c = Find(list, ",");
                positions.back() = positionNumber(Trim(Left(list, c - 1)));
                positions.push_back(0);
                list = From(list, c + 1);
            }
            positions.back() = positionNumber(list);
        }

        if (singleZero) {
            result.assign(1, ' '); // a single space: the keyword occurs, no word asked for
        } else {
            std::size_t p = Find(text, name);
            std::string remainder = TrimLeft(From(text, p + name.size()));

            std::string collected;
            std::size_t k = 0;
            const int last = positions.back();
            for (int n = 1; n <= last; ++n) {
                std::size_t q = Find(remainder, " ");
                if (q == 0)
                    q = 1;
                std::string word = Left(remainder, q - 1);
                if (k < positions.size() && n == positions[k]) {
                    collected += Trim(word) + " ";
                    ++k;
                }
                remainder = TrimLeft(From(remainder, q));
            }
            result = TrimRight(collected);
        }
    }

    // Consumption: the occurrence used, or every occurrence when the list
    // ends in 0 or less (which includes a keyword that does not occur).
    if (!name.empty()) {
        if (positions.back() > 0) {
            std::size_t p = Find(text, name);
            text.erase(p - 1, name.size());
        } else {
            text = ReplaceAll(text, name, "");
        }
    }
    return result;
}

Outcome ExtractFindings(std::string& text, const ExtractSetup& setup, RowSink& rows, Hook& hook)
{
    text = " " + text;
    text = ReplaceAll(text, "\x08", " ");
    text = ReplaceAll(text, "\t", " ");
    text = ReplaceAll(text, "\n", " ");
    text = ReplaceAll(text, "\r", " ");
    while (Find(text, "  ") != 0) {
        hook.yield();
        text = ReplaceAll(text, "  ", " ");
    }

    // A row is filled column by column; in each column the e-mail, web-site
    // and keyword extractors that the column's name asks for run in that
    // order, and "ProcessTime" and "FileName" come last. Each extractor call
    // stores its value, moves the progress a tenth of the way to 100 and then
    // looks at the cell as stored.
    const std::vector<Keyword> keywords = setup.keywordOn ? setup.keywords : std::vector<Keyword>();
    bool rowFoundSomething = false;
    auto store = [&](std::size_t column, const std::string& value) {
        rows.setValue(column, value);
        const float progress = hook.fileProgress();
        hook.setFileProgress(progress + (100.0f - progress) / 10.0f);
        if (rows.value(column) != "")
            rowFoundSomething = true;
        return !hook.cancelRequested();
    };

    for (;;) {
        hook.yield();
        if (hook.cancelRequested())
            return Outcome::Cancelled;
        rows.addRow();
        rowFoundSomething = false;
        for (std::size_t column = 0; column < setup.columns.size(); ++column) {
            const std::string& name = setup.columns[column];
            hook.yield();
            if (name == "Email" && !store(column, reference::NextEmail(text, hook)))
                return Outcome::Cancelled;
            if (name == "WebSite" && !store(column, reference::NextWebSite(text, hook)))
                return Outcome::Cancelled;
            for (const Keyword& keyword : keywords) {
                if (keyword.name == name && !store(column, reference::NextKeywordResult(text, keyword, hook)))
                    return Outcome::Cancelled;
            }
            if (name == "ProcessTime")
                rows.setValue(column, setup.processTime ? setup.processTime() : "");
            if (name == "FileName")
                rows.setValue(column, setup.filePath);
        }
        if (!rowFoundSomething)
            break;
    }
    // The last row, in which no extractor found anything, goes.
    rows.deleteLastRow();
    hook.setFileProgress(100.0f);
    return Outcome::Finished;
}

} // namespace tamsenor::reference
