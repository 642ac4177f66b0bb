#include "results/ResultsExport.h"

#include "io/Files.h"
#include "results/ResultsLineWriter.h"

#include <cerrno>
#include <new>
#include <vector>

namespace tamsenor {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// The length of the valid UTF-8 sequence at the start of `bytes`, or, when
// there is none, minus the length of the piece to replace (at least 1).
int Utf8Sequence(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing past U+10FFFF
    } else {
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= bytes.size())
            return -i;
        const auto next = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        if (next < low || next > high)
            return -i;
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

// Splits the results-file bytes, handed over in pieces of any size, into
// lines and the lines into values.
class LineSplitter {
public:
    using PerLine = std::function<FileResult(const std::vector<std::string_view>&)>;
    explicit LineSplitter(const PerLine& perLine)
        : perLine_(perLine)
    {
    }

    FileResult feed(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const std::size_t end = bytes.find('\n');
            if (end == std::string_view::npos) {
                line_.append(bytes);
                return FileResult::success();
            }
            line_.append(bytes.substr(0, end));
            bytes.remove_prefix(end + 1);
            if (!line_.empty() && line_.back() == '\r')
                line_.pop_back();
            values_.clear();
            std::string_view rest = line_;
            for (std::size_t tab = rest.find('\t');; tab = rest.find('\t')) {
                values_.push_back(rest.substr(0, tab));
                if (tab == std::string_view::npos)
                    break;
                rest.remove_prefix(tab + 1);
            }
            FileResult handled = perLine_(values_);
            line_.clear();
            if (!handled)
                return handled;
        }
        return FileResult::success();
    }

private:
    const PerLine& perLine_;
    std::string line_;
    std::vector<std::string_view> values_;
};

// Turns the values of each results-file line into another format; its own
// output goes on in pieces.
class Converter {
public:
    Converter(ResultsFormat format, const std::function<FileResult(std::string_view)>& write)
        : format_(format)
        , write_(write)
    {
        if (format_ == ResultsFormat::Csv)
            out_ = ByteOrderMark;
    }

    FileResult line(const std::vector<std::string_view>& values)
    {
        convert(values);
        if (out_.size() >= ResultsLineWriter::PieceBytes)
            return flush();
        return FileResult::success();
    }

    FileResult flush()
    {
        if (out_.empty())
            return FileResult::success();
        FileResult written = write_(out_);
        out_.clear();
        return written;
    }

private:
    void convert(const std::vector<std::string_view>& values)
    {
        if (format_ == ResultsFormat::Csv) {
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (i > 0)
                    out_ += ',';
                out_ += CsvField(values[i]);
            }
            out_ += "\r\n";
            return;
        }
        if (!haveKeys_) {
            haveKeys_ = true;
            for (std::string_view name : values)
                keys_.push_back(JsonString(name));
            return;
        }
        // A line never has more values than the header row; fewer would
        // leave the last keys with "".
        out_ += '{';
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            if (i > 0)
                out_ += ',';
            out_ += keys_[i];
            out_ += ':';
            out_ += JsonString(i < values.size() ? values[i] : std::string_view());
        }
        out_ += "}\n";
    }

    ResultsFormat format_;
    const std::function<FileResult(std::string_view)>& write_;
    std::string out_;
    bool haveKeys_ = false;
    std::vector<std::string> keys_; // already as JSON strings
};

} // namespace

std::optional<ResultsFormat> ResultsFormatNamed(std::string_view name)
{
    for (ResultsFormat format : { ResultsFormat::Tsv, ResultsFormat::Csv, ResultsFormat::JsonLines }) {
        if (name == ResultsFormatName(format))
            return format;
    }
    return std::nullopt;
}

std::string_view ResultsFormatName(ResultsFormat format)
{
    switch (format) {
    case ResultsFormat::Csv:
        return "csv";
    case ResultsFormat::JsonLines:
        return "jsonl";
    case ResultsFormat::Tsv:
        break;
    }
    return "tsv";
}

std::string CsvField(std::string_view value)
{
    std::string field;
    if (!value.empty() && std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos)
        field += '\'';
    // Spreadsheets and csv readers refuse a file that is not UTF-8 throughout.
    while (!value.empty()) {
        const int sequence = Utf8Sequence(value);
        if (sequence < 0) {
            field += "\xEF\xBF\xBD"; // U+FFFD
            value.remove_prefix(static_cast<std::size_t>(-sequence));
        } else {
            field.append(value.substr(0, static_cast<std::size_t>(sequence)));
            value.remove_prefix(static_cast<std::size_t>(sequence));
        }
    }
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string JsonString(std::string_view bytes)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string json = "\"";
    json.reserve(bytes.size() + 2);
    while (!bytes.empty()) {
        const int sequence = Utf8Sequence(bytes);
        if (sequence < 0) {
            json += "\\ufffd";
            bytes.remove_prefix(static_cast<std::size_t>(-sequence));
            continue;
        }
        const char c = bytes[0];
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\r') {
            json += "\\r";
        } else if (c == '\t') {
            json += "\\t";
        } else if (u < 0x20) {
            json += "\\u00";
            json += Hex[u >> 4];
            json += Hex[u & 0xF];
        } else {
            json.append(bytes.substr(0, static_cast<std::size_t>(sequence)));
        }
        bytes.remove_prefix(static_cast<std::size_t>(sequence));
    }
    json += '"';
    return json;
}

FileResult ForEachResultsLine(const RunResults& results,
    const std::function<FileResult(const std::vector<std::string_view>& values)>& perLine,
    const std::function<void()>& perRow)
{
    try {
        LineSplitter splitter(perLine);
        return results.WriteTo([&splitter](std::string_view bytes) { return splitter.feed(bytes); }, perRow);
    } catch (const std::bad_alloc&) {
        return FileResult::failure(io::ErrorText(ENOMEM));
    }
}

FileResult WriteResults(const RunResults& results, ResultsFormat format,
    const std::function<FileResult(std::string_view)>& write, const std::function<void()>& perRow)
{
    if (format == ResultsFormat::Tsv)
        return results.WriteTo(write, perRow);
    try {
        Converter converter(format, write);
        if (FileResult written = ForEachResultsLine(
                results, [&converter](const std::vector<std::string_view>& values) { return converter.line(values); },
                perRow);
            !written)
            return written;
        return converter.flush();
    } catch (const std::bad_alloc&) {
        return FileResult::failure(io::ErrorText(ENOMEM));
    }
}

FileResult WriteResultsToFile(
    const RunResults& results, ResultsFormat format, const std::string& path, const std::function<void()>& perRow)
{
    try {
        io::ReplacingFile file; // abandoned, and the target kept, on every early return
        if (FileResult opened = file.open(path); !opened)
            return opened;
        if (FileResult written = WriteResults(
                results, format, [&file](std::string_view bytes) { return file.write(bytes); }, perRow);
            !written)
            return written;
        return file.commit();
    } catch (const std::bad_alloc&) {
        return FileResult::failure(io::ErrorText(ENOMEM));
    }
}

} // namespace tamsenor
