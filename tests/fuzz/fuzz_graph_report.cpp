// The graph-report reader on any file: it never reads past what it was
// given, and a report it calls complete holds every row it announced.

#include "fit/ReportFile.h"
#include "tests/fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    enterScratchFolder();
    writeFile("OUTG", std::string(reinterpret_cast<const char*>(data), size));
    const GraphReport report = ReadGraphReport("OUTG");
    FUZZ_CHECK(report.opened);
    FUZZ_CHECK(report.rowCount >= 0);
    FUZZ_CHECK(report.rows.size() <= static_cast<std::size_t>(report.rowCount));
    if (report.complete)
        FUZZ_CHECK(report.rows.size() == static_cast<std::size_t>(report.rowCount));
    return 0;
}
