#include "input/ParameterTable.h"

#include <charconv>
#include <cmath>
#include <map>

namespace {

std::vector<std::string> columnsOf(ParameterKind kind, int thresholds, const TableHeader& header)
{
    switch (kind) {
    case ParameterKind::Discrimination:
        return {"a"};
    case ParameterKind::Difficulty:
        return {"b"};
    case ParameterKind::C:
        return {header.column("c") < 0 && header.column("g") >= 0 ? "g" : "c"};
    case ParameterKind::Thresholds:
        break;
    }
    std::vector<std::string> names;
    for (int k = 1; k <= thresholds; ++k)
        names.push_back("b" + std::to_string(k));
    return names;
}

bool readReal(std::string_view cell, float& value)
{
    cell = TrimCell(cell);
    if (!cell.empty() && cell[0] == '+')
        cell.remove_prefix(1);
    const std::size_t digit = !cell.empty() && cell[0] == '-' ? 1 : 0;
    if (cell.size() <= digit || !(std::isdigit(static_cast<unsigned char>(cell[digit])) || cell[digit] == '.'))
        return false;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    return error == std::errc() && end == cell.data() + cell.size() && std::isfinite(value);
}

}  // namespace

TableRead ReadParameterColumns(const std::string& path, ParameterKind kind, int items, int thresholds,
                               const std::vector<std::string>& scoreNames, ParameterColumns& read, TableFault& fault)
{
    TableHeader header;
    TableRead result = ReadTable(path, header, fault);
    if (result != TableRead::Done)
        return result;
    std::vector<int> columns;
    for (const std::string& name : columnsOf(kind, thresholds, header)) {
        columns.push_back(header.column(name));
        if (columns.back() < 0) {
            fault = TableFault{path, 1, name, "there is no such column"};
            return TableRead::Fault;
        }
    }
    if (kind == ParameterKind::Thresholds && header.column("b" + std::to_string(thresholds + 1)) >= 0) {
        fault = TableFault{path, 1, "b" + std::to_string(thresholds + 1),
                           "more thresholds than the " + std::to_string(thresholds) + " of " +
                               std::to_string(thresholds + 1) + " categories"};
        return TableRead::Fault;
    }
    const int named = header.column("item");
    struct Row {
        std::string name;
        std::vector<float> values;
        std::int64_t line;
    };
    std::vector<Row> rows;
    std::map<std::string, std::size_t> byName;
    const std::size_t width = header.names.size();
    result = ReadTable(path, header, fault, [&](const std::vector<std::string>& fields, std::int64_t line) {
        if (fields.size() != width) {
            fault = TableFault{path, 1, "", "the header changed while the table was read"};
            return false;
        }
        Row row{named >= 0 ? std::string(TrimCell(fields[static_cast<std::size_t>(named)])) : "", {}, line};
        for (const int column : columns) {
            const std::string& cell = fields[static_cast<std::size_t>(column)];
            row.values.push_back(0.0f);
            if (!readReal(cell, row.values.back())) {
                fault = TableFault{path, line, header.names[static_cast<std::size_t>(column)],
                                   "\"" + ShownCell(cell) + "\" is not a number of single precision"};
                return false;
            }
        }
        if (named >= 0 && !byName.emplace(row.name, rows.size()).second) {
            fault = TableFault{path, line, "item", "the item \"" + row.name + "\" is given twice"};
            return false;
        }
        rows.push_back(std::move(row));
        return true;
    });
    if (result != TableRead::Done)
        return result;

    // The rows in the order of the scores' items.
    std::vector<const Row*> order;
    if (named >= 0 && !scoreNames.empty()) {
        for (const std::string& name : scoreNames) {
            const auto found = byName.find(name);
            if (found == byName.end()) {
                fault = TableFault{path, 0, "item", "the item \"" + name + "\" of the scores is not in the table"};
                return TableRead::Fault;
            }
            order.push_back(&rows[found->second]);
        }
        if (rows.size() != order.size()) {
            for (const Row& row : rows)
                if (std::find(scoreNames.begin(), scoreNames.end(), row.name) == scoreNames.end()) {
                    fault = TableFault{path, row.line, "item", "the item \"" + row.name + "\" is not among the scores"};
                    return TableRead::Fault;
                }
        }
    } else {
        if (static_cast<int>(rows.size()) != items) {
            fault = TableFault{path, 0, "",
                               std::to_string(rows.size()) + " items, where the scores have " + std::to_string(items)};
            return TableRead::Fault;
        }
        for (const Row& row : rows)
            order.push_back(&row);
    }
    const std::size_t m = order.size();
    read.values.assign(m * columns.size(), 0.0f);
    read.names.clear();
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t k = 0; k < columns.size(); ++k)
            read.values[k * m + i] = order[i]->values[k];
        if (named >= 0)
            read.names.push_back(order[i]->name);
    }
    return TableRead::Done;
}

int ThresholdColumnsOf(const std::string& path)
{
    TableHeader header;
    TableFault fault;
    if (ReadTable(path, header, fault) != TableRead::Done)
        return 0;
    int k = 0;
    while (header.column("b" + std::to_string(k + 1)) >= 0)
        ++k;
    return k;
}

bool TableHasColumn(const std::string& path, const std::string& name)
{
    TableHeader header;
    TableFault fault;
    return ReadTable(path, header, fault) == TableRead::Done && header.column(name) >= 0;
}
