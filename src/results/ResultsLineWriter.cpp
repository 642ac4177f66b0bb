#include "results/ResultsLineWriter.h"

#include <algorithm>

namespace tamsenor {

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
            [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
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
