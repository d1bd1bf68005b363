// The table reader on any bytes: it ends, every record it gives has the
// header's length on increasing lines, and a fault names a line. A score
// table counted in parts on 2 and 3 threads must give what it gives
// record by record, faults and the need to begin again with answers
// missing included; the parameter columns read or fail without harm.
// (Parts on 1 to 3 threads.)

#include <vector>

#include "input/ParameterTable.h"
#include "input/ScoreSheet.h"
#include "tests/fuzz/FuzzFile.h"

namespace {

struct Counted {
    SheetCount result;
    ScoreCount count;
    std::int64_t subjects = 0;
    TableFault fault;
};

Counted countSheet(const ScoreSheet& sheet, bool answersMissing, const MissingCodes& missing, int threads,
                   const ScoreCounterSettings& settings)
{
    Counted c{SheetCount::Done, {}, 0, {}};
    const int items = sheet.items();
    c.count.observed.assign(static_cast<std::size_t>(items) * 2 + 1, 0.0);
    c.count.codes.lowest = 0;
    c.count.codes.highest = 2;
    c.count.missing = missing;
    c.count.byItem = ItemCodeCounts(items, 3, answersMissing);
    c.count.pairs = PairCounts(items, 3, answersMissing);
    if (answersMissing)
        c.count.forms = AnswerForms(items, 3);
    c.result = CountSheetScores(sheet, 0, answersMissing, c.count, c.subjects, c.fault, threads, settings);
    return c;
}

}  // namespace

// Two bytes of settings, then the table.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    enterScratchFolder();
    const char* name = data[0] & 1 ? "t.tsv" : "t.csv";
    writeFile(name, std::string(reinterpret_cast<const char*>(data) + 2, size - 2));

    TableHeader header;
    TableFault fault;
    std::int64_t last = 1;
    const TableRead read = ReadTable(name, header, fault, [&](const std::vector<std::string>& fields, std::int64_t line) {
        FUZZ_CHECK(fields.size() == header.names.size());
        FUZZ_CHECK(line > last);
        last = line;
        return true;
    });
    FUZZ_CHECK(read != TableRead::NotOpened);
    FUZZ_CHECK((read == TableRead::Fault) == !fault.empty());

    ScoreSheet sheet;
    const ScoreColumns columns{data[0] & 2 && !header.names.empty() ? header.names.front() : "", {}};
    if (OpenScoreSheet(name, columns, sheet, fault) == TableRead::Done) {
        const bool answersMissing = data[0] & 4;
        const MissingCodes missing = answersMissing && data[0] & 8 ? MissingCodes({9}) : MissingCodes();
        const ScoreCounterSettings settings{0, 1u + data[1] % 64u, 32};
        // Too small a file for parts: record by record.
        const Counted plain = countSheet(sheet, answersMissing, missing, 1, {UINT64_MAX, 1, 32});
        for (int threads = 1; threads <= 3; ++threads) {
            const Counted parts = countSheet(sheet, answersMissing, missing, threads, settings);
            FUZZ_CHECK(parts.result == plain.result);
            FUZZ_CHECK(parts.fault.describe() == plain.fault.describe());
            if (plain.result != SheetCount::Done)
                continue;
            FUZZ_CHECK(parts.subjects == plain.subjects);
            FUZZ_CHECK(parts.count.observed == plain.count.observed);
            FUZZ_CHECK(parts.count.file == plain.count.file);
            FUZZ_CHECK(parts.count.codes == plain.count.codes);
            FUZZ_CHECK(parts.count.byItem == plain.count.byItem);
            FUZZ_CHECK(parts.count.pairs == plain.count.pairs);
            FUZZ_CHECK(parts.count.forms == plain.count.forms);
        }
    }
    for (const ParameterKind kind :
         {ParameterKind::Discrimination, ParameterKind::Difficulty, ParameterKind::Thresholds, ParameterKind::C}) {
        ParameterColumns columns;
        const int thresholds = kind == ParameterKind::Thresholds ? 1 + data[1] % 4 : 1;
        const std::vector<std::string> names = data[1] & 0x80 ? std::vector<std::string>{"q1", "q2"}
                                                              : std::vector<std::string>{};
        if (ReadParameterColumns(name, kind, 2, thresholds, names, columns, fault) == TableRead::Done)
            FUZZ_CHECK(columns.values.size() == static_cast<std::size_t>(2 * thresholds));
    }
    return 0;
}
