#pragma once

#include "text/Extract.h"

#include <string>

// The literal extraction pass and extractors, written as the algorithm reads
// (each call searches from the start of the text and erases in place). The
// production engines are checked against them.
namespace tamsenor::reference {

std::string NextEmail(std::string& text, text::Hook& hook);
std::string NextWebSite(std::string& text, text::Hook& hook);
std::string NextKeywordResult(std::string& text, const text::Keyword& keyword, text::Hook& hook);
text::Outcome ExtractFindings(
    std::string& text, const text::ExtractSetup& setup, text::RowSink& rows, text::Hook& hook);

} // namespace tamsenor::reference
