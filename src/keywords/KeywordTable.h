#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tamsenor {

// The keyword table (table): ordered records of "Name" (field 0) and
// "Position" (field 1), each text (UTF-8) of at most 100 characters, with a cursor.
// Record numbers are 1-based. The cursor is past the end (eof()) when the table
// is empty or a walk has moved beyond the last record.
class KeywordTable {
public:
    static constexpr std::size_t MaxValueLength = 100;

    // The length of a value in characters: each well-formed UTF-8 sequence
    // counts as one, and so does each byte that is part of none.
    // Example: "pr\xc3\xa9s" -> 4, "\xf0\x9f\x99\x82" -> 1, "\xe2\x82" (cut) -> 2.
    static std::size_t CharacterCount(std::string_view value);
    // Whether a value is at most MaxValueLength characters long.
    static bool Fits(std::string_view value)
    {
        // A character is at least one byte.
        return value.size() <= MaxValueLength || CharacterCount(value) <= MaxValueLength;
    }

    struct Record {
        std::string name;
        std::string position;
    };

    int recordCount() const;
    bool eof() const; // past the last record (or empty table)
    bool bof() const; // before the first record (or empty table)

    void moveFirst();
    void moveNext();
    void movePrevious();
    // Makes record number n (1-based) current; false (cursor unchanged) when out of range.
    bool moveTo(int n);
    // 1-based number of the current record; 0 when none is current.
    int currentNumber() const;

    // Fields of the current record; empty text when no record is current.
    const std::string& name() const;
    const std::string& position() const;
    const std::string& field(int index) const; // 0 = "Name", 1 = "Position"
    // Set a field of the current record. False when no record is current or the
    // value does not fit (the record is then unchanged).
    bool setName(const std::string& value);
    bool setPosition(const std::string& value);

    // Appends a record and makes it current. False when a value does not fit
    // (nothing is appended then).
    bool addNew(const std::string& name, const std::string& position);
    // Deletes the current record; the cursor moves to the record that followed
    // it (or past the end). False when no record is current.
    bool deleteCurrent();
    void clear();

    const std::vector<Record>& records() const { return records_; }

private:
    std::vector<Record> records_;
    int cursor_ = 0; // 0-based index; == size() means past the end, -1 before the first
};

} // namespace tamsenor
