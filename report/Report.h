#pragma once

#include <string>
#include <utility>
#include <vector>

#include "charts/ChartScene.h"

// A report as its writers lay it out, in reading order: headings,
// paragraphs, lists of facts, tables and charts. The HTML and the PDF are
// written from the same blocks, so that both say the same.
struct ReportTable {
    std::vector<std::string> headings;
    std::vector<char> numeric;  // by column: right-aligned
    std::vector<std::vector<std::string>> rows;
    std::vector<char> marked;  // by row: flagged, shown in red
    std::string id;            // names the table for a reader that parses the page

    void column(std::string heading, bool isNumeric)
    {
        headings.push_back(std::move(heading));
        numeric.push_back(isNumeric);
    }
};

struct ReportBlock {
    enum class Kind { Heading, Subheading, Paragraph, Facts, Table, Chart };
    Kind kind = Kind::Paragraph;
    std::string text;  // a heading or a paragraph; a table's or a chart's caption
    std::vector<std::pair<std::string, std::string>> facts;  // name and value
    ReportTable table;
    ChartScene chart;
};

struct Report {
    std::string title;
    std::vector<ReportBlock> blocks;

    void heading(std::string text) { add(ReportBlock::Kind::Heading, std::move(text)); }
    void subheading(std::string text) { add(ReportBlock::Kind::Subheading, std::move(text)); }
    void paragraph(std::string text) { add(ReportBlock::Kind::Paragraph, std::move(text)); }
    void facts(std::vector<std::pair<std::string, std::string>> facts)
    {
        add(ReportBlock::Kind::Facts, {}).facts = std::move(facts);
    }
    void table(std::string caption, ReportTable table)
    {
        add(ReportBlock::Kind::Table, std::move(caption)).table = std::move(table);
    }
    void chart(std::string caption, ChartScene chart)
    {
        add(ReportBlock::Kind::Chart, std::move(caption)).chart = std::move(chart);
    }

private:
    ReportBlock& add(ReportBlock::Kind kind, std::string text)
    {
        blocks.push_back({kind, std::move(text), {}, {}, {}});
        return blocks.back();
    }
};
