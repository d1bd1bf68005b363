#include "report/ReportHtml.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

#include "charts/ChartSvg.h"
#include "input/FileName.h"
#include "report/FileInPlace.h"

namespace {

const char* const kStyle = R"(
@page { size: auto; margin: 16mm 14mm; }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 10pt; color: #111; max-width: 190mm;
       margin: 1.5em auto; padding: 0 1em; line-height: 1.35; }
h1 { font-size: 17pt; margin: 0 0 0.6em; }
h2 { font-size: 13pt; margin: 1.6em 0 0.5em; border-bottom: 1px solid #999; break-after: avoid; }
h3 { font-size: 11pt; margin: 1.2em 0 0.4em; break-after: avoid; }
table { border-collapse: collapse; margin: 0.4em 0 1em; font-size: 9pt; }
caption { text-align: left; font-weight: bold; padding: 0.2em 0; caption-side: top; }
th, td { padding: 0.15em 0.6em; border-bottom: 1px solid #ddd; text-align: left; vertical-align: top;
         overflow-wrap: break-word; }
#inputs td:nth-child(4) { font-family: "DejaVu Sans Mono", monospace; font-size: 8pt; overflow-wrap: anywhere; }
th { border-bottom: 1px solid #555; }
.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
tr.flagged td { color: #b00000; font-weight: bold; }
thead { display: table-header-group; }
tr { break-inside: avoid; }
dl.facts { display: grid; grid-template-columns: max-content auto; gap: 0.15em 1.2em; margin: 0 0 1em; }
dl.facts dt { font-weight: bold; }
dl.facts dd { margin: 0; overflow-wrap: anywhere; }
figure { margin: 0.6em 0 1.2em; break-inside: avoid; }
figure svg { max-width: 100%; height: auto; }
figcaption { font-size: 9pt; color: #444; }

)";

void writeTable(std::ostream& out, const std::string& caption, const ReportTable& table)
{
    const auto numeric = [&](std::size_t column) { return column < table.numeric.size() && table.numeric[column]; };
    out << "<table" << (table.id.empty() ? "" : " id=\"" + EscapeMarkup(table.id) + "\"") << ">";
    if (!caption.empty())
        out << "<caption>" << EscapeMarkup(caption) << "</caption>";
    out << "<thead><tr>";
    for (std::size_t c = 0; c < table.headings.size(); ++c)
        out << (numeric(c) ? "<th class=\"n\">" : "<th>") << EscapeMarkup(table.headings[c]) << "</th>";
    out << "</tr></thead>\n<tbody>\n";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        out << (r < table.marked.size() && table.marked[r] ? "<tr class=\"flagged\">" : "<tr>");
        for (std::size_t c = 0; c < table.rows[r].size(); ++c)
            out << (numeric(c) ? "<td class=\"n\">" : "<td>") << EscapeMarkup(table.rows[r][c]) << "</td>";
        out << "</tr>\n";
    }
    out << "</tbody></table>\n";
}

}  // namespace

void WriteReportHtml(std::ostream& out, const Report& report)
{
    out << "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
        << "<meta charset=\"utf-8\"/>\n<title>" << EscapeMarkup(report.title) << "</title>\n<style>" << kStyle
        << "</style>\n</head>\n<body>\n<h1>" << EscapeMarkup(report.title) << "</h1>\n";
    for (const ReportBlock& block : report.blocks) {
        using Kind = ReportBlock::Kind;
        switch (block.kind) {
        case Kind::Heading:
            out << "<h2>" << EscapeMarkup(block.text) << "</h2>\n";
            break;
        case Kind::Subheading:
            out << "<h3>" << EscapeMarkup(block.text) << "</h3>\n";
            break;
        case Kind::Paragraph:
            out << "<p>" << EscapeMarkup(block.text) << "</p>\n";
            break;
        case Kind::Facts:
            out << "<dl class=\"facts\">\n";
            for (const auto& [name, value] : block.facts)
                out << "<dt>" << EscapeMarkup(name) << "</dt><dd>" << EscapeMarkup(value) << "</dd>\n";
            out << "</dl>\n";
            break;
        case Kind::Table:
            writeTable(out, block.text, block.table);
            break;
        case Kind::Chart:
            out << "<figure>";
            WriteSvg(out, block.chart);
            if (!block.text.empty())
                out << "<figcaption>" << EscapeMarkup(block.text) << "</figcaption>";
            out << "</figure>\n";
            break;
        }
    }
    out << "</body>\n</html>\n";
}

bool SaveReportHtml(const Report& report, const std::string& path, std::string& reason)
{
    const bool written = WriteFileInPlace(path, [&report](const std::string& aside) {
        std::ofstream out(aside, std::ios::binary | std::ios::trunc);
        if (out)
            WriteReportHtml(out, report);
        out.flush();
        return static_cast<bool>(out);
    });
    if (!written)
        reason = "cannot write the report '" + path + "'";
    return written;
}

bool IsHtmlName(const std::string& path) { return FileNameEnding(path) == "html" || FileNameEnding(path) == "htm"; }

bool IsPdfName(const std::string& path) { return FileNameEnding(path) == "pdf"; }
