#include "results/ResultsTable.h"

#include "io/Files.h"
#include "results/ResultsLineWriter.h"

#include <atomic>
#include <cerrno>
#include <new>

namespace tamsenor {

namespace {

std::atomic<long long> spillBoundForTesting { -1 };

} // namespace

void SetSpillBoundForTesting(long long bytes)
{
    spillBoundForTesting.store(bytes);
}

bool ResultsTable::appendColumn(const std::string& name)
{
    // Lines already moved out could not get the new field.
    if (spilledRows_ > 0)
        return false;
    // A table of 100,000 keyword columns must not compare every pair of names.
    if (!names_.insert(name).second)
        return false;
    columns_.push_back(name);
    for (auto& row : rows_)
        row.resize(columns_.size());
    heldBytes_ += rows_.size() * sizeof(Row::value_type);
    return true;
}

std::size_t ResultsTable::rowBytes(const Row& row) const
{
    std::size_t bytes = row.size() * sizeof(Row::value_type);
    for (const auto& value : row)
        bytes += value ? value->size() : 0;
    return bytes;
}

void ResultsTable::addRow()
{
    if (!spillFolder_.empty() && spillResult_ && heldBytes_ > spillBound_)
        spillHeldRows();
    rows_.emplace_back(columns_.size());
    heldBytes_ += columns_.size() * sizeof(Row::value_type);
    cursor_ = rows_.size() - 1;
}

bool ResultsTable::setValue(std::size_t column, const std::string& value)
{
    if (eof() || column >= columns_.size())
        return false;
    std::optional<std::string>& slot = rows_[cursor_][column];
    const std::size_t before = slot ? slot->size() : 0;
    slot = value;
    heldBytes_ = heldBytes_ - before + value.size();
    return true;
}

std::optional<std::string> ResultsTable::value(std::size_t column) const
{
    if (eof() || column >= columns_.size())
        return std::nullopt;
    return rows_[cursor_][column];
}

void ResultsTable::moveFirst()
{
    cursor_ = 0;
}

void ResultsTable::moveNext()
{
    if (!eof())
        ++cursor_;
}

void ResultsTable::moveLast()
{
    cursor_ = rows_.empty() ? 0 : rows_.size() - 1;
}

bool ResultsTable::eof() const
{
    return cursor_ >= rows_.size();
}

bool ResultsTable::deleteCurrent()
{
    if (eof())
        return false;
    heldBytes_ -= rowBytes(rows_[cursor_]);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(cursor_));
    return true;
}

void ResultsTable::spillInto(const std::string& folder, std::size_t heldBytes)
{
    spillFolder_ = folder;
    const long long forTesting = spillBoundForTesting.load();
    spillBound_ = forTesting >= 0 ? static_cast<std::size_t>(forTesting) : heldBytes;
}

void ResultsTable::spillHeldRows()
{
    // On failure the rows stay where they are; the run that owns the table
    // learns of it from spillResult().
    try {
        if (!spill_.isOpen()) {
            spillResult_ = spill_.open(spillFolder_);
            if (!spillResult_)
                return;
        }
        ResultsLineWriter lines([this](std::string_view bytes) { return spill_.append(bytes); });
        for (const Row& row : rows_) {
            if (spillResult_ = lines.row(row); !spillResult_)
                return;
        }
        if (spillResult_ = lines.flush(); !spillResult_)
            return;
    } catch (const std::bad_alloc&) {
        spillResult_ = FileResult::failure(io::ErrorText(ENOMEM));
        return;
    }
    spilledRows_ += rows_.size();
    rows_.clear();
    heldBytes_ = 0;
    cursor_ = 0;
}

FileResult ResultsTable::copySpilledRows(
    const std::function<FileResult(std::string_view)>& write, const std::function<void()>& perPiece) const
{
    if (!spillResult_)
        return spillResult_;
    std::string piece(ResultsLineWriter::PieceBytes, '\0');
    for (std::int64_t offset = 0; offset < spill_.size();) {
        if (perPiece)
            perPiece();
        const auto length = static_cast<std::size_t>(
            std::min<std::int64_t>(spill_.size() - offset, static_cast<std::int64_t>(piece.size())));
        if (FileResult read = spill_.readAt(offset, piece.data(), length); !read)
            return read;
        if (FileResult written = write(std::string_view(piece.data(), length)); !written)
            return written;
        offset += static_cast<std::int64_t>(length);
    }
    return FileResult::success();
}

} // namespace tamsenor
