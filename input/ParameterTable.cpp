#include "input/ParameterTable.h"

#include <algorithm>
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

// One reading of a parameter table, step by step; a step that fails
// says why in the fault.
class ParameterReader {
public:
    ParameterReader(const std::string& path, ParameterKind kind, int items, int thresholds,
                    const std::vector<std::string>& scoreNames, TableFault& fault)
        : path_(path), kind_(kind), items_(items), thresholds_(thresholds), scoreNames_(scoreNames), fault_(fault)
    {
    }

    TableRead read(ParameterColumns& read)
    {
        TableRead result = ReadTable(path_, header_, fault_);
        if (result != TableRead::Done)
            return result;
        if (!findColumns())
            return TableRead::Fault;
        if ((result = readRows()) != TableRead::Done)
            return result;
        if (!(named_ >= 0 && !scoreNames_.empty() ? orderByName() : orderAsRead()))
            return TableRead::Fault;
        gather(read);
        return TableRead::Done;
    }

private:
    struct Row {
        std::string name;
        std::vector<float> values;
        std::int64_t line;
    };

    // The kind's columns, and no threshold beyond the categories.
    bool findColumns()
    {
        for (const std::string& name : columnsOf(kind_, thresholds_, header_)) {
            columns_.push_back(header_.column(name));
            if (columns_.back() < 0)
                return refuse(1, name, "there is no such column");
        }
        const std::string beyond = "b" + std::to_string(thresholds_ + 1);
        if (kind_ == ParameterKind::Thresholds && header_.column(beyond) >= 0)
            return refuse(1, beyond,
                          "more thresholds than the " + std::to_string(thresholds_) + " of " +
                              std::to_string(thresholds_ + 1) + " categories");
        named_ = header_.column("item");
        return true;
    }

    TableRead readRows()
    {
        const std::size_t width = header_.names.size();
        return ReadTable(path_, header_, fault_, [&](const std::vector<std::string>& fields, std::int64_t line) {
            if (fields.size() != width)
                return refuse(1, "", "the header changed while the table was read");
            return takeRow(fields, line);
        });
    }

    bool takeRow(const std::vector<std::string>& fields, std::int64_t line)
    {
        Row row{named_ >= 0 ? std::string(TrimCell(fields[static_cast<std::size_t>(named_)])) : "", {}, line};
        for (const int column : columns_) {
            const std::string& cell = fields[static_cast<std::size_t>(column)];
            row.values.push_back(0.0f);
            if (!readReal(cell, row.values.back()))
                return refuse(line, header_.names[static_cast<std::size_t>(column)],
                              "\"" + ShownCell(cell) + "\" is not a number of single precision");
        }
        if (named_ >= 0 && !byName_.emplace(row.name, rows_.size()).second)
            return refuse(line, "item", "the item \"" + row.name + "\" is given twice");
        rows_.push_back(std::move(row));
        return true;
    }

    // The rows in the order of the scores' items, every item in both.
    bool orderByName()
    {
        for (const std::string& name : scoreNames_) {
            const auto found = byName_.find(name);
            if (found == byName_.end())
                return refuse(0, "item", "the item \"" + name + "\" of the scores is not in the table");
            order_.push_back(&rows_[found->second]);
        }
        if (rows_.size() != order_.size())
            for (const Row& row : rows_)
                if (std::find(scoreNames_.begin(), scoreNames_.end(), row.name) == scoreNames_.end())
                    return refuse(row.line, "item", "the item \"" + row.name + "\" is not among the scores");
        return true;
    }

    // The rows as they come, as many as the scores' items.
    bool orderAsRead()
    {
        if (static_cast<int>(rows_.size()) != items_)
            return refuse(0, "",
                          std::to_string(rows_.size()) + " items, where the scores have " + std::to_string(items_));
        for (const Row& row : rows_)
            order_.push_back(&row);
        return true;
    }

    // Column by column, item by item within.
    void gather(ParameterColumns& read) const
    {
        const std::size_t m = order_.size();
        read.values.assign(m * columns_.size(), 0.0f);
        read.names.clear();
        for (std::size_t i = 0; i < m; ++i) {
            for (std::size_t k = 0; k < columns_.size(); ++k)
                read.values[k * m + i] = order_[i]->values[k];
            if (named_ >= 0)
                read.names.push_back(order_[i]->name);
        }
    }

    bool refuse(std::int64_t line, const std::string& column, const std::string& what)
    {
        fault_ = TableFault{path_, line, column, what};
        return false;
    }

    const std::string& path_;
    const ParameterKind kind_;
    const int items_, thresholds_;
    const std::vector<std::string>& scoreNames_;
    TableFault& fault_;
    TableHeader header_;
    std::vector<int> columns_;
    int named_ = -1;  // the column of the items' names
    std::vector<Row> rows_;
    std::map<std::string, std::size_t> byName_;
    std::vector<const Row*> order_;
};

}  // namespace

TableRead ReadParameterColumns(const std::string& path, ParameterKind kind, int items, int thresholds,
                               const std::vector<std::string>& scoreNames, ParameterColumns& read, TableFault& fault)
{
    return ParameterReader(path, kind, items, thresholds, scoreNames, fault).read(read);
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
