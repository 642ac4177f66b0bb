#include "results/ResultsExport.h"

#include "text/TextBasics.h"

#include "io/Files.h"
#include "results/ResultsLineWriter.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

namespace tamsenor {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

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
    text::AppendRepairedUtf8(field, value);
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
        const text::Utf8Step step = text::NextUtf8(bytes);
        if (!step.valid) {
            json += "\\ufffd";
            bytes.remove_prefix(step.length);
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
            json.append(bytes.substr(0, step.length));
        }
        bytes.remove_prefix(step.length);
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
        // Lines come in table order, the header first; ProcessTime is given
        // the time noted for its row, when there is one.
        std::size_t row = 0;
        std::optional<std::size_t> timeColumn;
        std::vector<std::string_view> timed;
        const auto line = [&](const std::vector<std::string_view>& values) {
            const std::size_t at = row++;
            if (at == 0) {
                const auto found = std::find(values.begin(), values.end(), std::string_view("ProcessTime"));
                if (found != values.end())
                    timeColumn = static_cast<std::size_t>(found - values.begin());
            } else if (const std::string_view iso = results.foundAt(at);
                       timeColumn && *timeColumn < values.size() && !iso.empty()) {
                timed = values;
                timed[*timeColumn] = iso;
                return converter.line(timed);
            }
            return converter.line(values);
        };
        if (FileResult written = ForEachResultsLine(results, line, perRow); !written)
            return written;
        return converter.flush();
    } catch (const std::bad_alloc&) {
        return FileResult::failure(io::ErrorText(ENOMEM));
    }
}

FileResult WriteResultsToFile(const RunResults& results, ResultsFormat format, const std::string& path,
    const std::function<void()>& perRow, const std::function<bool()>& keepGoing)
{
    try {
        io::ReplacingFile file; // abandoned, and the target kept, on every early return
        if (FileResult opened = file.open(path); !opened)
            return opened;
        if (FileResult written = WriteResults(
                results, format,
                [&file, &keepGoing](std::string_view bytes) {
                    if (keepGoing && !keepGoing())
                        return FileResult::failure(io::ErrorText(ECANCELED));
                    return file.write(bytes);
                },
                perRow);
            !written)
            return written;
        return file.commit();
    } catch (const std::bad_alloc&) {
        return FileResult::failure(io::ErrorText(ENOMEM));
    }
}

} // namespace tamsenor
