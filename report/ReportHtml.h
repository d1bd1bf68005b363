#pragma once

#include <ostream>
#include <string>

#include "report/Report.h"

// The report as one HTML page that stands alone: its style and its charts
// (SVG) inside, no script, nothing fetched, every text escaped; well-formed
// XML too, so that a program can read it back. Printed, headings stay with
// what follows them and charts and short tables are not split.
void WriteReportHtml(std::ostream& out, const Report& report);

// The report as an HTML page at path; false with the reason when the file
// cannot be written, and then no part of it is left there.
bool SaveReportHtml(const Report& report, const std::string& path, std::string& reason);

// Whether path names an HTML page (".html", ".htm") or a PDF (".pdf"), in
// any case: the two forms a report is written in.
bool IsHtmlName(const std::string& path);
bool IsPdfName(const std::string& path);
