#include "results/ResultsTable.h"

namespace tamsenor {

bool ResultsTable::appendColumn(const std::string& name)
{
    // A table of 100,000 keyword columns must not compare every pair of names.
    if (!names_.insert(name).second)
        return false;
    columns_.push_back(name);
    for (auto& row : rows_)
        row.resize(columns_.size());
    return true;
}

void ResultsTable::addRow()
{
    rows_.emplace_back(columns_.size());
    cursor_ = rows_.size() - 1;
}

bool ResultsTable::setValue(std::size_t column, const std::string& value)
{
    if (eof() || column >= columns_.size())
        return false;
    rows_[cursor_][column] = value;
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
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(cursor_));
    return true;
}

} // namespace tamsenor
