#include "stats/LocalDependenceFormat.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "stats/TextFormat.h"

namespace {

const auto full = FullPrecision;

}  // namespace

std::string FormatPairsTable(const LocalDependence& dependence, const std::vector<double>* simulated,
                             std::size_t listed)
{
    const std::vector<LocalDependence::Pair>& pairs = dependence.pairs;
    std::vector<std::size_t> order(pairs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return pairs[a].x2 > pairs[b].x2; });
    order.resize(std::min(order.size(), listed));
    const std::size_t flagged = static_cast<std::size_t>(
        std::count_if(pairs.begin(), pairs.end(), [](const LocalDependence::Pair& p) { return p.flagged; }));
    char line[160];
    std::snprintf(line, sizeof line,
                  "\nLocal dependence (X2 of each pair of items): %zu of %zu pairs flagged, adjusted p below "
                  "0.05; the %zu largest:\n\n",
                  flagged, pairs.size(), order.size());
    std::string text = line;
    text += std::string("First Second           X2   df           p   Adjusted p  Sign        V") +
            (simulated ? "  Simulated p" : "") + "\n";
    for (const std::size_t k : order) {
        const LocalDependence::Pair& p = pairs[k];
        std::snprintf(line, sizeof line, "%5d %6d %12.4f %4d %11.4g  %11.4g  %4d %8.4f", p.first, p.second, p.x2,
                      p.df, p.p, p.pAdjusted, p.sign, p.v);
        text += line;
        if (simulated) {
            std::snprintf(line, sizeof line, " %12.4g", (*simulated)[k]);
            text += line;
        }
        text += p.flagged ? "  *\n" : "\n";
    }
    return text;
}

std::string FormatPairsCsv(const LocalDependence& dependence, const std::vector<double>* simulated)
{
    std::string text =
        std::string("first,second,x2,df,p,p_adjusted,sign,v,flagged") + (simulated ? ",p_mc" : "") + "\n";
    for (std::size_t k = 0; k < dependence.pairs.size(); ++k) {
        const LocalDependence::Pair& p = dependence.pairs[k];
        text += std::to_string(p.first) + "," + std::to_string(p.second) + "," + full(p.x2) + "," +
                std::to_string(p.df) + "," + full(p.p) + "," + full(p.pAdjusted) + "," + std::to_string(p.sign) + "," +
                full(p.v) + "," + (p.flagged ? "true" : "false") + (simulated ? "," + full((*simulated)[k]) : "") +
                "\n";
    }
    return text;
}

std::string FormatPairsJson(const LocalDependence& dependence, const std::vector<double>* simulated)
{
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t k = 0; k < dependence.pairs.size(); ++k) {
        const LocalDependence::Pair& p = dependence.pairs[k];
        nlohmann::json object = {{"first", p.first}, {"second", p.second}, {"x2", p.x2},
                                 {"df", p.df},       {"p", p.p},           {"p_adjusted", p.pAdjusted},
                                 {"sign", p.sign},   {"v", p.v},           {"flagged", p.flagged}};
        if (simulated)
            object["p_mc"] = (*simulated)[k];
        list.push_back(std::move(object));
    }
    return list.dump();
}
