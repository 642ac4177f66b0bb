#include "keywords/KeywordTable.h"

#include "text/TextBasics.h"

#include <algorithm>

namespace tamsenor {

namespace {

const std::string emptyText;

} // namespace

std::size_t KeywordTable::CharacterCount(std::string_view value)
{
    std::size_t count = 0;
    while (!value.empty()) {
        // A byte that is no UTF-8 counts as one character of its own.
        const text::Utf8Step step = text::NextUtf8(value);
        value.remove_prefix(step.valid ? step.length : 1);
        ++count;
    }
    return count;
}

int KeywordTable::recordCount() const
{
    return static_cast<int>(records_.size());
}

bool KeywordTable::eof() const
{
    return records_.empty() || cursor_ >= recordCount();
}

bool KeywordTable::bof() const
{
    return records_.empty() || cursor_ < 0;
}

void KeywordTable::moveFirst()
{
    cursor_ = 0;
}

void KeywordTable::moveNext()
{
    if (!eof())
        ++cursor_;
}

void KeywordTable::movePrevious()
{
    // From past the end this reaches the last record, as a record set does.
    if (!bof())
        --cursor_;
}

bool KeywordTable::moveTo(int n)
{
    if (n < 1 || n > recordCount())
        return false;
    cursor_ = n - 1;
    return true;
}

int KeywordTable::currentNumber() const
{
    return eof() || bof() ? 0 : cursor_ + 1;
}

const std::string& KeywordTable::name() const
{
    return field(0);
}

const std::string& KeywordTable::position() const
{
    return field(1);
}

const std::string& KeywordTable::field(int index) const
{
    if (currentNumber() == 0)
        return emptyText;
    const Record& record = records_[static_cast<std::size_t>(cursor_)];
    switch (index) {
    case 0:
        return record.name;
    case 1:
        return record.position;
    default:
        return emptyText;
    }
}

bool KeywordTable::setName(const std::string& value)
{
    if (currentNumber() == 0 || !Fits(value))
        return false;
    records_[static_cast<std::size_t>(cursor_)].name = value;
    return true;
}

bool KeywordTable::setPosition(const std::string& value)
{
    if (currentNumber() == 0 || !Fits(value))
        return false;
    records_[static_cast<std::size_t>(cursor_)].position = value;
    return true;
}

bool KeywordTable::addNew(const std::string& name, const std::string& position)
{
    if (!Fits(name) || !Fits(position))
        return false;
    records_.push_back({ name, position });
    cursor_ = recordCount() - 1;
    return true;
}

bool KeywordTable::deleteCurrent()
{
    if (currentNumber() == 0)
        return false;
    records_.erase(records_.begin() + cursor_);
    return true;
}

void KeywordTable::clear()
{
    records_.clear();
    cursor_ = 0;
}

} // namespace tamsenor
