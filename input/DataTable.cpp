#include "input/DataTable.h"

#include <csv.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <set>

#include "input/FileName.h"
#include "input/ReadOnlyFile.h"

namespace {

// The separator the header line holds most of, outside quotes.
char separatorOf(const std::string& path, std::string_view line)
{
    std::size_t tabs = 0, semicolons = 0, commas = 0;
    bool quoted = false;
    for (const char c : line) {
        quoted = c == '"' ? !quoted : quoted;
        if (!quoted) {
            tabs += c == '\t';
            semicolons += c == ';';
            commas += c == ',';
        }
    }
    if (tabs == 0 && semicolons == 0 && commas == 0)
        return FileNameEnding(path) == "tsv" ? '\t' : ',';
    if (tabs >= semicolons && tabs >= commas)
        return '\t';
    return semicolons >= commas ? ';' : ',';
}

int isBlank(unsigned char c) { return c == ' '; }

// libcsv's callbacks, gathering fields into records and counting lines.
class Records {
public:
    Records(const std::string& path, TableHeader& header, TableFault& fault, const TableRecordUse& use)
        : path_(path), header_(header), fault_(fault), use_(use)
    {
    }

    static void field(void* text, std::size_t size, void* self)
    {
        static_cast<Records*>(self)->onField(static_cast<const char*>(text), size);
    }
    static void end(int c, void* self) { static_cast<Records*>(self)->onEnd(c); }

    bool stopped() const { return stopped_; }
    std::int64_t line() const { return line_; }
    std::size_t fieldsSoFar() const { return kept_; }

    // The file has ended: the empty lines before it are ignored.
    void finish()
    {
        if (!stopped_ && !headerRead_)
            fail(0, "", "there is no header line");
    }

    void fail(std::int64_t line, const std::string& column, const std::string& what)
    {
        if (stopped_)
            return;
        fault_ = TableFault{path_, line, column, what};
        stopped_ = true;
    }

private:
    void onField(const char* text, std::size_t size)
    {
        if (stopped_)
            return;
        if (kept_ == 0)
            recordLine_ = line_;
        const std::string_view value(text ? text : "", text ? size : 0);
        line_ += std::count(value.begin(), value.end(), '\n');
        if (fields_.size() == kept_)
            fields_.emplace_back();
        fields_[kept_++].assign(value);
    }

    void onEnd(int c)
    {
        if (stopped_)
            return;
        if (kept_ == 0) {
            // The line feed of a CR LF, or an empty line: one empty field
            // if a record follows.
            if (c == '\n' && last_ == '\r') {
                last_ = c;
                return;
            }
            emptyLines_.push_back(line_);
        } else {
            for (const std::int64_t empty : emptyLines_) {
                std::vector<std::string> one(1);
                if (!take(one, empty))
                    return;
            }
            emptyLines_.clear();
            fields_.resize(kept_);
            take(fields_, recordLine_);
            kept_ = 0;
        }
        if (c == '\n' || c == '\r')
            ++line_;
        last_ = c;
    }

    bool take(std::vector<std::string>& fields, std::int64_t line)
    {
        if (!headerRead_) {
            headerRead_ = true;
            std::set<std::string_view> seen;
            // R writes its row names under an empty first name.
            for (std::size_t c = 0; c < fields.size(); ++c) {
                fields[c] = std::string(TrimCell(fields[c]));
                if (fields[c].empty() && c > 0)
                    return fail(line, "", "a column has no name"), false;
            }
            for (const std::string& name : fields)
                if (!seen.insert(name).second)
                    return fail(line, name, "the name is given to two columns"), false;
            header_.names = fields;
            if (!use_)
                stopped_ = true;
            return !stopped_;
        }
        if (fields.size() != header_.names.size()) {
            fail(line, "",
                 std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") + ", where the header has " +
                     std::to_string(header_.names.size()));
            return false;
        }
        if (!use_(fields, line))
            stopped_ = true;
        return !stopped_;
    }

    const std::string& path_;
    TableHeader& header_;
    TableFault& fault_;
    const TableRecordUse& use_;
    std::vector<std::string> fields_;
    std::size_t kept_ = 0;  // fields of the record under way
    std::int64_t line_ = 1, recordLine_ = 1;
    std::vector<std::int64_t> emptyLines_;
    int last_ = 0;
    bool headerRead_ = false, stopped_ = false;
};

struct Parser {
    Parser() { ok = csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_REPALL_NL) == 0; }
    ~Parser()
    {
        if (ok)
            csv_free(&parser);
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;
    csv_parser parser;
    bool ok;
};

}  // namespace

bool IsTableFileName(const std::string& path)
{
    const std::string ending = FileNameEnding(path);
    return ending == "csv" || ending == "tsv";
}

std::string TableFault::describe() const
{
    std::string text = file;
    if (line > 0)
        text += ", line " + std::to_string(line);
    if (!column.empty())
        text += ", column \"" + column + "\"";
    return text + ": " + what;
}

int TableHeader::column(std::string_view name) const
{
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

TableRead ReadTable(const std::string& path, TableHeader& header, TableFault& fault, const TableRecordUse& use)
{
    ReadOnlyFile file(path);
    if (!file.handle)
        return TableRead::NotOpened;
    header = TableHeader();
    fault = TableFault();
    std::vector<char> piece(1u << 16);
    std::size_t size = std::fread(piece.data(), 1, piece.size(), file.handle);
    std::size_t from = 0;
    if (size >= 3 && std::string_view(piece.data(), 3) == "\xEF\xBB\xBF")
        from = 3;
    const std::string_view start(piece.data() + from, size - from);
    header.separator = separatorOf(path, start.substr(0, start.find('\n')));

    Parser parser;
    if (!parser.ok)
        throw std::bad_alloc();
    csv_set_delim(&parser.parser, static_cast<unsigned char>(header.separator));
    csv_set_space_func(&parser.parser, isBlank);
    Records records(path, header, fault, use);
    const auto misplacedQuote = [&] {
        const std::size_t index = records.fieldsSoFar();
        records.fail(records.line(), index < header.names.size() ? header.names[index] : "",
                     "a quote out of place (a quoted field is closed by a quote before the separator, and a "
                     "quote within a field is written twice)");
    };
    while (size > from && !records.stopped()) {
        const std::size_t taken =
            csv_parse(&parser.parser, piece.data() + from, size - from, Records::field, Records::end, &records);
        if (taken != size - from) {
            if (csv_error(&parser.parser) == CSV_ENOMEM)
                throw std::bad_alloc();
            misplacedQuote();
            break;
        }
        from = 0;
        size = std::fread(piece.data(), 1, piece.size(), file.handle);
    }
    if (!records.stopped() && std::ferror(file.handle))
        records.fail(0, "", "the file cannot be read to its end");
    if (!records.stopped() && csv_fini(&parser.parser, Records::field, Records::end, &records) != 0)
        records.fail(records.line(), "", "a quoted field is not closed before the file ends");
    records.finish();
    return fault.empty() ? TableRead::Done : TableRead::Fault;
}

bool IsMissingCell(std::string_view cell)
{
    cell = TrimCell(cell);
    return cell.empty() || cell == "." ||
           (cell.size() == 2 && (cell[0] | 0x20) == 'n' && (cell[1] | 0x20) == 'a');
}

bool ReadWholeNumber(std::string_view cell, std::int32_t& value)
{
    cell = TrimCell(cell);
    const bool negative = !cell.empty() && cell[0] == '-';
    if (!cell.empty() && (cell[0] == '-' || cell[0] == '+'))
        cell.remove_prefix(1);
    if (cell.empty() || cell.size() > 10)
        return false;
    std::int64_t magnitude = 0;
    for (const char c : cell) {
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < std::numeric_limits<std::int32_t>::min() || signedValue > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

std::string ShownCell(std::string_view cell)
{
    cell = TrimCell(cell);
    return cell.size() <= 24 ? std::string(cell) : std::string(cell.substr(0, 21)) + "...";
}

std::string_view TrimCell(std::string_view cell)
{
    while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t'))
        cell.remove_prefix(1);
    while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t' || cell.back() == '\r'))
        cell.remove_suffix(1);
    return cell;
}
