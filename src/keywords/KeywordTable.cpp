#include "keywords/KeywordTable.h"

#include <algorithm>

namespace tamsenor {

namespace {

const std::string emptyText;

bool InRange(char c, unsigned char low, unsigned char high)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at the front of `text`; 0 when
// there is none (the bytes allowed after each first byte are those of Unicode's
// table of well-formed sequences, so overlong forms and surrogates are not).
std::size_t SequenceLength(std::string_view text)
{
    const auto first = static_cast<unsigned char>(text[0]);
    if (first < 0x80)
        return 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    std::size_t length = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || !InRange(text[1], low, high))
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!InRange(text[i], 0x80, 0xBF))
            return 0;
    }
    return length;
}

} // namespace

std::size_t KeywordTable::CharacterCount(std::string_view value)
{
    std::size_t count = 0;
    while (!value.empty()) {
        value.remove_prefix(std::max<std::size_t>(SequenceLength(value), 1));
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
