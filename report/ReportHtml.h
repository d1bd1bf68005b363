#pragma once

#include <ostream>
#include <string>

#include "report/Report.h"

// The report as one HTML page that stands alone: its style and its charts
// (SVG) inside, no script, nothing fetched, every text escaped; well-formed
// XML too, so that a program can read it back. Printed, headings stay with
// what follows them and charts and short tables are not split.
void WriteReportHtml(std::ostream& out, const Report& report);
