#include "stats/LocalDependenceFormat.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "stats/FlagLevel.h"
#include "stats/TextFormat.h"

namespace {

const auto full = FullPrecision;

// The two items' names as columns of the table, when they have names;
// the second padded only when the flag follows it.
std::string names(const LocalDependence& dependence, const std::string& first, const std::string& second,
                  bool flagged = false)
{
    if (dependence.names.empty())
        return {};
    const int width = std::max(NameWidth(dependence.names), 11);
    return "  " + PadRight(first, width) + " " + (flagged ? PadRight(second, width) : second);
}

}  // namespace

void WritePairsTable(std::ostream& out, const LocalDependence& dependence, const std::vector<double>* simulated,
                     std::size_t listed)
{
    const std::vector<LocalDependence::Pair>& pairs = dependence.pairs;
    const std::vector<std::size_t> order = LargestPairs(dependence, listed);
    const std::size_t flagged = dependence.flaggedCount();
    out << FormatText("\nLocal dependence (X2 of each pair of items): %zu of %zu pairs flagged, %s; the %zu "
                      "largest:\n\n",
                      flagged, pairs.size(), FlagRule().c_str(), order.size())
        << "First Second           X2   df           p   Adjusted p  Sign        V"
        << (simulated ? "  Simulated p" : "") << names(dependence, "First name", "Second name") << "\n";
    for (const std::size_t k : order) {
        const LocalDependence::Pair& p = pairs[k];
        if (!p.together)
            break;
        out << FormatText("%5d %6d %12.4f %4d %11s  %11s  %4d %8.4f", p.first, p.second, p.x2, p.df,
                          PValueText(p.p).c_str(), PValueText(p.pAdjusted).c_str(), p.sign, p.v)
            << (simulated ? FormatText(" %12s", PValueText((*simulated)[k]).c_str()) : "")
            << names(dependence, dependence.nameOf(p.first), dependence.nameOf(p.second), p.flagged)
            << (p.flagged ? "  *\n" : "\n");
    }
}

void WritePairsCsv(std::ostream& out, const LocalDependence& dependence, const std::vector<double>* simulated,
                   const std::vector<std::size_t>* order)
{
    out << "first,second,x2,df,p,p_adjusted,sign,v,flagged" << (simulated ? ",p_mc" : "")
        << (dependence.answersMissing ? ",both" : "") << (dependence.names.empty() ? "" : ",first_name,second_name")
        << "\n";
    for (std::size_t row = 0; row < (order ? order->size() : dependence.pairs.size()); ++row) {
        const std::size_t k = order ? (*order)[row] : row;
        const LocalDependence::Pair& p = dependence.pairs[k];
        // A pair never answered together: its figures empty.
        const auto figure = [&p](const std::string& text) { return p.together ? text : std::string(); };
        out << p.first << "," << p.second << "," << figure(full(p.x2)) << "," << p.df << "," << figure(full(p.p))
            << "," << figure(full(p.pAdjusted)) << "," << figure(std::to_string(p.sign)) << "," << figure(full(p.v))
            << "," << (p.flagged ? "true" : "false") << (simulated ? "," + figure(full((*simulated)[k])) : "")
            << (dependence.answersMissing ? "," + std::to_string(static_cast<std::uint64_t>(p.both)) : "")
            << (dependence.names.empty()
                    ? ""
                    : "," + CsvField(dependence.nameOf(p.first)) + "," + CsvField(dependence.nameOf(p.second)))
            << "\n";
    }
}

void WritePairsJson(std::ostream& out, const LocalDependence& dependence, const std::vector<double>* simulated)
{
    out << "[";
    for (std::size_t k = 0; k < dependence.pairs.size(); ++k) {
        const LocalDependence::Pair& p = dependence.pairs[k];
        nlohmann::json object = {{"first", p.first}, {"second", p.second}, {"x2", p.x2},
                                 {"df", p.df},       {"p", p.p},           {"p_adjusted", p.pAdjusted},
                                 {"sign", p.sign},   {"v", p.v},           {"flagged", p.flagged}};
        if (simulated)
            object["p_mc"] = (*simulated)[k];
        if (!dependence.names.empty()) {
            object["first_name"] = dependence.nameOf(p.first);
            object["second_name"] = dependence.nameOf(p.second);
        }
        if (dependence.answersMissing) {
            object["both"] = static_cast<std::uint64_t>(p.both);
            if (!p.together)
                for (const char* figure : {"x2", "p", "p_adjusted", "sign", "v", "p_mc"})
                    if (object.contains(figure))
                        object[figure] = nullptr;
        }
        out << (k ? "," : "") << object.dump();
    }
    out << "]";
}

std::string FormatPairsTable(const LocalDependence& dependence, const std::vector<double>* simulated,
                             std::size_t listed)
{
    std::ostringstream out;
    WritePairsTable(out, dependence, simulated, listed);
    return out.str();
}

std::string FormatPairsCsv(const LocalDependence& dependence, const std::vector<double>* simulated,
                           const std::vector<std::size_t>* order)
{
    std::ostringstream out;
    WritePairsCsv(out, dependence, simulated, order);
    return out.str();
}
