#pragma once

#include <string>

#include "report/Report.h"

// Paints the report into a PDF of A4 pages, its charts from the same
// scenes as the HTML page's; false when the file cannot be written, and
// then no part of it is left there. Needs no display.
bool SaveReportPdf(const Report& report, const std::string& path);
