#include "stats/ItemFitFormat.h"

#include <nlohmann/json.hpp>

#include <sstream>

#include "stats/FlagLevel.h"
#include "stats/TextFormat.h"

namespace {

std::string full(const std::optional<double>& value) { return value ? FullPrecision(*value) : std::string(); }

// Right-aligned in width columns, or a dash where there is no value.
std::string column(const std::optional<double>& value, const char* pattern, int width)
{
    if (value)
        return FormatText(pattern, width, *value);
    return std::string(static_cast<std::size_t>(width - 1), ' ') + kNoFigure;
}

std::string pColumn(const std::optional<double>& p, int width)
{
    return p ? FormatText("%*s", width, PValueText(p).c_str()) : column(p, "", width);
}

}  // namespace

std::string ItemMergingCondition(double minExpected)
{
    return FormatText("merged until every category expects at least %g subject%s", minExpected,
                      minExpected == 1.0 ? "" : "s");
}

std::string ItemMergingRule(double minExpected) { return "adjacent totals " + ItemMergingCondition(minExpected); }

void WriteItemFitTable(std::ostream& out, const ItemFit& fit, const std::vector<double>* simulated)
{
    out << "\nItem fit (S-X2): " << ItemMergingRule(fit.minExpected) << "; * " << FlagRule() << "\n\n"
        << " Item " << (fit.names.empty() ? "" : PadRight("Name", NameWidth(fit.names)) + " ")
        << "        S-X2     df           p   Adjusted p      RMSEA  Groups" << (simulated ? "  Simulated p" : "")
        << "\n";
    for (std::size_t k = 0; k < fit.items.size(); ++k) {
        const ItemFit::Item& item = fit.items[k];
        out << FormatText("%5d ", item.item)
            << (fit.names.empty() ? "" : PadRight(fit.nameOf(item.item), NameWidth(fit.names)) + " ")
            << FormatText("%12.4f %6d ", item.sx2, item.df) << pColumn(item.p, 11) << "  "
            << pColumn(item.pAdjusted, 11) << "  " << column(item.rmsea, "%*.4f", 9)
            << FormatText(" %7zu", item.groups.size()) << (simulated ? " " + pColumn((*simulated)[k], 12) : "")
            << (item.flagged ? "  *" : "") << "\n";
    }
}

void WriteItemFitCsv(std::ostream& out, const ItemFit& fit, const std::vector<double>* simulated,
                     const std::vector<std::size_t>* order)
{
    out << "item,sx2,df,p,p_adjusted,rmsea,flagged,groups" << (simulated ? ",p_mc" : "")
        << (fit.answersMissing ? ",answered" : "") << (fit.names.empty() ? "" : ",name") << "\n";
    for (std::size_t row = 0; row < (order ? order->size() : fit.items.size()); ++row) {
        const std::size_t k = order ? (*order)[row] : row;
        const ItemFit::Item& item = fit.items[k];
        out << item.item << "," << full(item.sx2) << "," << item.df << "," << full(item.p) << ","
            << full(item.pAdjusted) << "," << full(item.rmsea) << "," << (item.flagged ? "true" : "false") << ","
            << item.groups.size() << (simulated ? "," + full((*simulated)[k]) : "")
            << (fit.answersMissing ? "," + std::to_string(static_cast<std::uint64_t>(item.subjects)) : "")
            << (fit.names.empty() ? "" : "," + CsvField(fit.nameOf(item.item))) << "\n";
    }
}

void WriteItemFitJson(std::ostream& out, const ItemFit& fit, const std::vector<double>* simulated)
{
    const auto value = [](const std::optional<double>& v) { return v ? nlohmann::json(*v) : nlohmann::json(); };
    out << "[";
    for (std::size_t k = 0; k < fit.items.size(); ++k) {
        const ItemFit::Item& item = fit.items[k];
        nlohmann::json object = {{"item", item.item},
                                 {"sx2", item.sx2},
                                 {"df", item.df},
                                 {"p", value(item.p)},
                                 {"p_adjusted", value(item.pAdjusted)},
                                 {"rmsea", value(item.rmsea)},
                                 {"flagged", item.flagged},
                                 {"groups", item.groups.size()}};
        if (simulated)
            object["p_mc"] = (*simulated)[k];
        if (fit.answersMissing)
            object["answered"] = static_cast<std::uint64_t>(item.subjects);
        if (!fit.names.empty())
            object["name"] = fit.nameOf(item.item);
        out << (k ? "," : "") << object.dump();
    }
    out << "]";
}

std::string FormatItemFitCsv(const ItemFit& fit, const std::vector<double>* simulated,
                             const std::vector<std::size_t>* order)
{
    std::ostringstream out;
    WriteItemFitCsv(out, fit, simulated, order);
    return out.str();
}
