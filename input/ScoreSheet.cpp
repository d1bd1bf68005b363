#include "input/ScoreSheet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "input/ReadOnlyFile.h"
#include "input/SubjectRule.h"
#include "kernels/Workers.h"

namespace {

// Record by record, through the table reader.
SheetCount countRecords(const ScoreSheet& sheet, std::int64_t firstScore, bool answersMissing, ScoreCount& count,
                        std::int64_t& subjects, TableFault& fault)
{
    const int items = sheet.items();
    CodeNotes& codes = count.codes;
    std::vector<std::int64_t> histogram(count.observed.size());
    SubjectTally tally(items, CodeRule(codes.lowest, codes.highest, count.missing), SinksOf(count));
    std::int64_t j = 0;
    bool missingCell = false;
    const auto use = [&](const std::vector<std::string>& fields, std::int64_t line) {
        if (fields.size() != sheet.header.names.size()) {
            fault = TableFault{sheet.path, 1, "", "the header changed while the table was read"};
            return false;
        }
        for (int i = 0; i < items; ++i) {
            const int column = sheet.itemColumns[static_cast<std::size_t>(i)];
            const std::string& cell = fields[static_cast<std::size_t>(column)];
            std::int32_t code = 0;
            if (IsMissingCell(cell)) {
                if (!answersMissing) {
                    missingCell = true;
                    return false;
                }
                tally.missing(i);
            } else if (!ReadWholeNumber(cell, code)) {
                fault = TableFault{sheet.path, line, sheet.header.names[static_cast<std::size_t>(column)],
                                   "the code \"" + ShownCell(cell) + "\" is not a whole number"};
                return false;
            } else if (tally.take(i, code) == CodeMeaning::Outside) {
                codes.noteOutside(j * items + i, code);
            }
        }
        tally.close(firstScore, histogram,
                    sheet.idColumn >= 0 ? std::string_view(fields[static_cast<std::size_t>(sheet.idColumn)])
                                        : std::string_view());
        ++j;
        return true;
    };
    TableHeader header;
    const TableRead read = ReadTable(sheet.path, header, fault, use);
    if (read == TableRead::NotOpened)
        return SheetCount::NotOpened;
    if (read == TableRead::Fault)
        return SheetCount::Fault;
    if (missingCell)
        return SheetCount::AnswersMissing;
    for (std::size_t row = 0; row < histogram.size(); ++row)
        count.observed[row] += static_cast<double>(histogram[row]);
    subjects = j;
    return SheetCount::Done;
}

// Where the records begin: after the header's line end (outside quotes),
// or 0 when the header cannot be told apart without the full reader.
std::uint64_t bodyOffset(const std::string& path)
{
    ReadOnlyFile file(path);
    if (!file.handle)
        return 0;
    std::uint64_t offset = 0;
    bool quoted = false;
    for (int c; (c = std::fgetc(file.handle)) != EOF;) {
        ++offset;
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\n')
            return offset;
        else if (!quoted && c == '\r')
            return std::fgetc(file.handle) == '\n' ? offset + 1 : 0;
    }
    return 0;
}

// Where a part should end near offset: after the next line end.
std::uint64_t lineEndNear(const std::string& path, std::uint64_t offset, std::uint64_t size)
{
    ReadOnlyFile file(path);
    if (!file.handle || !file.seek(offset))
        return size;
    for (int c; (c = std::fgetc(file.handle)) != EOF; ++offset)
        if (c == '\n')
            return offset + 1;
    return size;
}

// A worker's counts, gathered once every part is read.
struct PartSums {
    std::vector<std::int64_t> histogram;
    ItemCodeCounts byItem;
    PairCounts pairs;
    AnswerForms forms;
    SubjectSink* persons = nullptr;  // never: the records of parts lose their identifiers
    std::int64_t records = 0;
};

// What a line, or a part of lines, came to. Empty lines may only end the
// file: a part of records then empty ones (EndsEmpty), or of empty ones
// alone (Blank), may only be followed by parts that are Blank.
enum class Verdict { Counted, Refused, AnswersMissing, Empty, EndsEmpty, Blank };

// What the reader takes otherwise than a line of fields split at the
// separator: quotes, blanks it drops, a carriage return that ends a line.
bool unlikeReader(char c) { return c == '"' || c == ' ' || c == '\t' || c == '\r'; }

// The records of simple tables: no blanks, no quotes but around the
// fields that are no items, cells of at most nine digits within the
// model's codes or a missing code, or without an answer; every line of the
// header's length. Any other line is refused, for the record-by-record
// reader to say what it holds.
class SimpleLines {
public:
    SimpleLines(const ScoreSheet& sheet, const ScoreCount& count, bool answersMissing, std::int64_t firstScore,
                PartSums& sums)
        : separator_(sheet.header.separator),
          columns_(static_cast<int>(sheet.header.names.size())),
          itemOf_(static_cast<std::size_t>(columns_), -1),
          lowest_(count.codes.lowest),
          span_(static_cast<std::uint32_t>(count.codes.highest - count.codes.lowest)),
          rule_(count.codes.lowest, count.codes.highest, count.missing),
          answersMissing_(answersMissing),
          firstScore_(firstScore),
          sums_(sums),
          tally_(sheet.items(), rule_, SinksOf(sums))
    {
        for (int i = 0; i < sheet.items(); ++i)
            itemOf_[static_cast<std::size_t>(sheet.itemColumns[static_cast<std::size_t>(i)])] = i;
        // Dense lines: every column an item in the file's order, but for a
        // first column of identifiers.
        const int first = sheet.idColumn == 0 ? 1 : 0;
        dense_ = sheet.idColumn <= 0 && sheet.items() == columns_ - first;
        for (int i = 0; dense_ && i < sheet.items(); ++i)
            dense_ = sheet.itemColumns[static_cast<std::size_t>(i)] == i + first;
        skipFirst_ = first == 1;
        items_ = sheet.items();
        kept_ = sums.byItem.items() > 0 || sums.pairs.items() > 0 || sums.forms.active();
    }

    Verdict line(const char* p, const char* end)
    {
        if (end > p && end[-1] == '\r')
            --end;
        if (p == end)
            return Verdict::Empty;
        if (dense_) {
            const char* cells = p;
            if (skipFirst_) {
                if (!(cells = skipField(cells, end)))
                    return Verdict::Refused;
                ++cells;
            }
            if (end - cells == 2 * static_cast<std::ptrdiff_t>(items_) - 1 && denseLine(cells))
                return Verdict::Counted;
        }
        bool unanswered = false;
        for (int c = 0; c < columns_; ++c) {
            const int item = itemOf_[static_cast<std::size_t>(c)];
            if (item < 0) {
                if (!(p = skipField(p, end)) || (c + 1 < columns_ && p == end))
                    return Verdict::Refused;
                p += c + 1 < columns_;
                continue;
            }
            const char* cell = p;
            std::uint32_t value = 0;
            while (p < end && static_cast<unsigned char>(*p - '0') < 10)
                value = value * 10 + static_cast<std::uint32_t>(*p++ - '0');
            const std::ptrdiff_t digits = p - cell;
            while (p < end && *p != separator_) {
                if (unlikeReader(*p))
                    return Verdict::Refused;
                ++p;
            }
            if (c + 1 < columns_) {
                if (p == end)
                    return Verdict::Refused;
                ++p;
            }
            const std::ptrdiff_t length = (c + 1 < columns_ ? p - 1 : p) - cell;
            if (digits == length && digits > 0 && digits <= 9) {
                if (tally_.take(item, value) == CodeMeaning::Outside)
                    return Verdict::Refused;  // for the record reader to note
            } else if (digits == 0 && IsMissingCell(std::string_view(cell, static_cast<std::size_t>(length)))) {
                // Only a line that is sound otherwise sends the count back.
                unanswered = true;
                tally_.missing(item);
            } else {
                return Verdict::Refused;
            }
        }
        if (p != end)
            return Verdict::Refused;
        if (unanswered && !answersMissing_)
            return Verdict::AnswersMissing;
        tally_.close(firstScore_, sums_.histogram);
        ++sums_.records;
        return Verdict::Counted;
    }

private:
    // The end of a field that is no item, at its separator or the line's
    // end: plain, or in quotes with none within, as identifiers are
    // exported; null for any other, which the reader takes its own way.
    const char* skipField(const char* p, const char* end) const
    {
        if (p < end && *p == '"') {
            const char* close = static_cast<const char*>(std::memchr(p + 1, '"', static_cast<std::size_t>(end - p - 1)));
            return close && (close + 1 == end || close[1] == separator_) ? close + 1 : nullptr;
        }
        for (; p < end && *p != separator_; ++p)
            if (unlikeReader(*p))
                return nullptr;
        return p;
    }

    // A line of one digit a cell: counted at once when every digit is a
    // code of the model (so none is a missing one); false, having counted
    // nothing, otherwise.
    bool denseLine(const char* cells)
    {
        unsigned odd = 0, least = 9, most = 0;
        std::int64_t total = 0;
        const char* const last = cells + 2 * (items_ - 1);
        for (const char* c = cells; c < last; c += 2) {
            const unsigned digit = static_cast<unsigned char>(c[0] - '0');
            odd |= (digit > 9) | (c[1] != separator_);
            least = std::min(least, digit);
            most = std::max(most, digit);
            total += digit;
        }
        const unsigned digit = static_cast<unsigned char>(*last - '0');
        odd |= digit > 9;
        least = std::min(least, digit);
        most = std::max(most, digit);
        total += digit;
        if (odd || least < static_cast<unsigned>(lowest_) || most - static_cast<unsigned>(lowest_) > span_)
            return false;
        if (kept_) {
            for (int i = 0; i < items_; ++i)
                tally_.answer(i, cells[2 * i] - '0', false);
            tally_.close(firstScore_, sums_.histogram);
        } else {
            const std::int64_t row = total - firstScore_;
            if (row >= 0 && row < static_cast<std::int64_t>(sums_.histogram.size()))
                ++sums_.histogram[static_cast<std::size_t>(row)];
        }
        ++sums_.records;
        return true;
    }

    bool dense_ = false, skipFirst_ = false, kept_ = false;
    int items_ = 0;
    const char separator_;
    const int columns_;
    std::vector<int> itemOf_;  // by column; -1 for a column that is no item
    const std::int32_t lowest_;
    const std::uint32_t span_;
    const CodeRule rule_;
    const bool answersMissing_;
    const std::int64_t firstScore_;
    PartSums& sums_;
    SubjectTally tally_;
};

// The lines of [begin, end), a whole number of them but for the file's
// last, piece by piece.
Verdict countPart(const std::string& path, std::uint64_t begin, std::uint64_t end, SimpleLines& lines,
                  std::vector<char>& piece)
{
    ReadOnlyFile file(path);
    if (!file.handle || !file.seek(begin))
        return Verdict::Refused;
    std::size_t kept = 0;  // of a line begun in the piece before
    bool records = false, empty = false;
    const auto take = [&](Verdict verdict) {
        if (verdict != Verdict::Empty && empty)
            return Verdict::Refused;
        records = records || verdict == Verdict::Counted;
        empty = empty || verdict == Verdict::Empty;
        return verdict == Verdict::Empty ? Verdict::Counted : verdict;
    };
    for (std::uint64_t at = begin; at < end || kept > 0;) {
        if (kept == piece.size())
            piece.resize(piece.size() * 2);
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(piece.size() - kept, end - at));
        if (std::fread(piece.data() + kept, 1, want, file.handle) != want)
            return Verdict::Refused;
        at += want;
        const char* p = piece.data();
        const char* const last = piece.data() + kept + want;
        for (const char* lineEnd; (lineEnd = static_cast<const char*>(std::memchr(p, '\n', last - p)));
             p = lineEnd + 1) {
            const Verdict verdict = take(lines.line(p, lineEnd));
            if (verdict != Verdict::Counted)
                return verdict;
        }
        kept = static_cast<std::size_t>(last - p);
        if (at == end && kept > 0) {
            const Verdict verdict = take(lines.line(p, last));  // the last line, without its line end
            if (verdict != Verdict::Counted)
                return verdict;
            kept = 0;
        } else {
            std::memmove(piece.data(), p, kept);
        }
    }
    return !empty ? Verdict::Counted : records ? Verdict::EndsEmpty : Verdict::Blank;
}

// Counts a simple table in parts side by side; Refused, having changed
// nothing, for any other.
Verdict countSimpleSheet(const ScoreSheet& sheet, std::int64_t firstScore, bool answersMissing, ScoreCount& count,
                         std::int64_t& subjects, int threads, const ScoreCounterSettings& settings)
{
    if (count.persons)
        return Verdict::Refused;
    std::uint64_t size = 0;
    const std::size_t workers = PartWorkers(sheet.path, count, threads, settings, size);
    const std::uint64_t begin = workers > 0 ? bodyOffset(sheet.path) : 0;
    if (begin == 0)
        return Verdict::Refused;
    const std::size_t rows = count.observed.size();
    const std::uint64_t body = size - begin;
    const std::size_t parts = static_cast<std::size_t>(
        std::max<std::uint64_t>(workers, (body + settings.largestPart - 1) / settings.largestPart));
    std::vector<std::uint64_t> bounds{begin};
    for (std::size_t part = 1; part < parts; ++part)
        bounds.push_back(std::max(bounds.back(), lineEndNear(sheet.path, begin + body / parts * part, size)));
    bounds.push_back(size);

    std::vector<PartSums> sums(workers);
    std::vector<SimpleLines> lines;
    lines.reserve(workers);
    for (PartSums& mine : sums) {
        mine = PartSums{std::vector<std::int64_t>(rows), count.byItem, count.pairs, count.forms, 0};
        lines.emplace_back(sheet, count, answersMissing, firstScore, mine);
    }
    std::vector<std::vector<char>> pieces(workers, std::vector<char>(settings.piece));
    std::vector<Verdict> verdicts(parts, Verdict::Counted);
    RunTasks(workers, parts, [&](std::size_t part, std::size_t w) {
        verdicts[part] = countPart(sheet.path, bounds[part], bounds[part + 1], lines[w], pieces[w]);
        return verdicts[part] != Verdict::Refused && verdicts[part] != Verdict::AnswersMissing;
    });
    const auto ending = std::find_if(verdicts.begin(), verdicts.end(),
                                     [](Verdict v) { return v == Verdict::EndsEmpty || v == Verdict::Blank; });
    if (std::count(verdicts.begin(), verdicts.end(), Verdict::Refused) > 0 ||
        (ending != verdicts.end() &&
         !std::all_of(ending + 1, verdicts.end(), [](Verdict v) { return v == Verdict::Blank; })))
        return Verdict::Refused;
    if (std::count(verdicts.begin(), verdicts.end(), Verdict::AnswersMissing) > 0)
        return Verdict::AnswersMissing;
    subjects = 0;
    for (PartSums& mine : sums) {
        for (std::size_t row = 0; row < rows; ++row)
            count.observed[row] += static_cast<double>(mine.histogram[row]);
        count.byItem.add(mine.byItem);
        mine.pairs.flush();
        count.pairs.add(mine.pairs);
        count.forms.add(mine.forms);
        subjects += mine.records;
    }
    return Verdict::Counted;
}

}  // namespace

std::vector<std::string> ScoreSheet::itemNames() const
{
    std::vector<std::string> names;
    for (const int column : itemColumns)
        names.push_back(header.names[static_cast<std::size_t>(column)]);
    return names;
}

TableRead OpenScoreSheet(const std::string& path, const ScoreColumns& columns, ScoreSheet& sheet, TableFault& fault)
{
    sheet = ScoreSheet();
    sheet.path = path;
    const TableRead read = ReadTable(path, sheet.header, fault);
    if (read != TableRead::Done)
        return read;
    const auto refuse = [&](const std::string& column, const std::string& what) {
        fault = TableFault{path, 1, column, what};
        return TableRead::Fault;
    };
    if (!columns.id.empty() && (sheet.idColumn = sheet.header.column(columns.id)) < 0)
        return refuse(columns.id, "there is no such column for the subjects' identifiers");
    if (columns.id.empty() && sheet.header.names.front().empty())
        sheet.idColumn = 0;  // row names, unnamed, as R writes them
    if (columns.items.empty()) {
        for (int c = 0; c < static_cast<int>(sheet.header.names.size()); ++c)
            if (c != sheet.idColumn)
                sheet.itemColumns.push_back(c);
    }
    std::set<int> taken;
    for (const std::string& name : columns.items) {
        const int column = sheet.header.column(name);
        if (column < 0)
            return refuse(name, "there is no such item column");
        if (column == sheet.idColumn)
            return refuse(name, "the subjects' identifiers cannot be an item");
        if (!taken.insert(column).second)
            return refuse(name, "the column is named twice among the items");
        sheet.itemColumns.push_back(column);
    }
    if (sheet.itemColumns.empty())
        return refuse("", "the table has no column of items");
    return TableRead::Done;
}

SheetCount CountSheetScores(const ScoreSheet& sheet, std::int64_t firstScore, bool answersMissing, ScoreCount& count,
                            std::int64_t& subjects, TableFault& fault, int threads,
                            const ScoreCounterSettings& settings)
{
    fault = TableFault();
    subjects = 0;
    SheetCount result = SheetCount::Done;
    const Verdict parts = countSimpleSheet(sheet, firstScore, answersMissing, count, subjects, threads, settings);
    if (parts == Verdict::AnswersMissing)
        return SheetCount::AnswersMissing;
    if (parts != Verdict::Counted && (result = countRecords(sheet, firstScore, answersMissing, count, subjects,
                                                            fault)) != SheetCount::Done)
        return result;
    count.pairs.flush();
    count.forms.order();
    count.file = FileNotes();
    count.file.name = sheet.path;
    count.file.declared = count.file.read = subjects * sheet.items();
    return result;
}
