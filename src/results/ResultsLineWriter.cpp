#include "results/ResultsLineWriter.h"

#include <algorithm>
#include <unordered_set>

namespace tamsenor {

bool IsLineBreaking(char c)
{
    return c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

std::string AsResultsValue(std::string_view value)
{
    std::string written(value);
    std::replace_if(written.begin(), written.end(), IsLineBreaking, ' ');
    return written;
}

std::vector<std::string> DistinctColumnHeadings(const std::vector<std::string>& names)
{
    std::unordered_set<std::string> taken;
    taken.reserve(names.size() * 2);
    for (const std::string& name : names)
        taken.insert(AsResultsValue(name));
    std::unordered_set<std::string> used;
    used.reserve(names.size());
    std::vector<std::string> headings;
    headings.reserve(names.size());
    for (const std::string& name : names) {
        std::string heading = AsResultsValue(name);
        if (!used.insert(heading).second) {
            // Another column already reads so: the first free " (n)" after it,
            // never a name that some other column has as its own.
            for (int n = 2;; ++n) {
                std::string next = heading + " (" + std::to_string(n) + ")";
                if (!taken.count(next) && used.insert(next).second) {
                    heading = std::move(next);
                    break;
                }
            }
        }
        headings.push_back(std::move(heading));
    }
    return headings;
}

ResultsLineWriter::ResultsLineWriter(Sink sink)
    : sink_(std::move(sink))
{
    buffer_.reserve(PieceBytes + 2);
}

void ResultsLineWriter::put(std::string_view bytes)
{
    while (!bytes.empty() && result_) {
        const std::size_t room = PieceBytes > buffer_.size() ? PieceBytes - buffer_.size() : 0;
        const std::string_view piece = bytes.substr(0, std::max<std::size_t>(room, 1));
        const std::size_t start = buffer_.size();
        buffer_.append(piece);
        std::replace_if(
            buffer_.begin() + static_cast<std::ptrdiff_t>(start), buffer_.end(),
            [](char c) { return IsLineBreaking(c); }, ' ');
        bytes.remove_prefix(piece.size());
        if (full())
            flush();
    }
}

FileResult ResultsLineWriter::row(const Row& row)
{
    for (std::size_t i = 0; i < row.size() && result_; ++i) {
        if (i > 0)
            buffer_ += '\t';
        if (row[i])
            put(*row[i]);
    }
    if (!result_)
        return result_;
    buffer_ += "\r\n";
    if (full())
        return flush();
    return result_;
}

FileResult ResultsLineWriter::flush()
{
    if (result_ && !buffer_.empty())
        result_ = sink_(buffer_);
    buffer_.clear();
    return result_;
}

} // namespace tamsenor
