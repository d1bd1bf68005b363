#include "stats/SummaryFormat.h"

#include <nlohmann/json.hpp>

#include <sstream>

#include "stats/ItemFitFormat.h"
#include "stats/LocalDependenceFormat.h"
#include "stats/PersonFormat.h"
#include "stats/TextFormat.h"

namespace {

// Numbers of CSV and JSON.
const auto full = FullPrecision;

std::size_t cellOf(const FitSummary& summary, std::int32_t score)
{
    for (std::size_t c = 0; c < summary.cells.size(); ++c)
        if (score >= summary.cells[c].firstScore && score <= summary.cells[c].lastScore)
            return c + 1;
    return 0;
}

std::string noTest(const FitSummary& summary)
{
    return FormatText("fewer than two cells expect at least %g subjects: no test", summary.minExpected);
}

void writeMissing(std::ostream& out, const MissingCodes& codes, const AnswerForms& forms)
{
    out << (codes.empty() ? "Missing answers: " : "Missing codes " + codes.text() + ": ") << FormatFormsLine(forms)
        << ".\n"
        << "Each form's subjects are expected from the form's own score distribution; the table adds them up, so "
           "its p-values are approximate, and the simulated ones exact.\n";
}

}  // namespace

std::string FormatFormsLine(const AnswerForms& forms)
{
    const auto grouped = [](std::uint64_t count) { return GroupDigits(static_cast<std::int64_t>(count)); };
    const std::uint64_t subjects = forms.subjects(), given = forms.answers(), missing = forms.missingAnswers();
    const std::uint64_t all = given + missing;
    const std::size_t count = forms.forms().size();
    std::string line = grouped(subjects) + (subjects == 1 ? " subject, " : " subjects, ") + grouped(count) +
                       (count == 1 ? " form, " : " forms, ") +
                       FormatText("%.3g%% of answers missing", all > 0 ? 100.0 * missing / all : 0.0);
    if (forms.withoutAnswers() > 0)
        line += "; " + grouped(forms.withoutAnswers()) +
                (forms.withoutAnswers() == 1 ? " answered nothing and is left out" : " answered nothing and are left out");
    return line;
}

std::string FormatPooledLine(const FitSummary& summary)
{
    if (!summary.testable())
        return "Pooled chi-square: " + noTest(summary);
    return FormatText("Pooled chi-square %.4f, df %d, p %s", summary.pooledChiSquare, summary.degreesOfFreedom,
                      PValueText(summary.pooledP).c_str());
}

void WriteSummaryStatistics(std::ostream& out, const FitSummary& summary, const MonteCarloResult* simulated)
{
    const auto beside = [simulated](const char* gap, double MonteCarloResult::*p) {
        return simulated ? FormatText("%ssimulated p %s", gap, PValueText(simulated->*p).c_str()) : std::string();
    };
    // With simulated p-values beside them, the p-values take a column.
    const int pWidth = simulated ? 10 : 0;
    out << FormatText("Chi-square over every score   %12.4f", summary.chiSquare)
        << beside("                            ", &MonteCarloResult::chiSquareP) << "\n";
    if (summary.testable()) {
        out << FormatText("Pooled Pearson chi-square     %12.4f   df %4d   p %-*s", summary.pooledChiSquare,
                          summary.degreesOfFreedom, pWidth, PValueText(summary.pooledP).c_str())
            << beside("   ", &MonteCarloResult::pooledChiSquareP) << "\n";
        out << FormatText("Likelihood ratio G2           %12.4f   df %4d   p %-*s", summary.likelihoodRatio,
                          summary.degreesOfFreedom, pWidth, PValueText(summary.likelihoodRatioP).c_str())
            << beside("   ", &MonteCarloResult::likelihoodRatioP) << "\n";
    } else {
        out << "Pooled chi-square: " << noTest(summary) << "\n";
    }
    if (simulated)
        out << FormatText("Simulated p: %llu data sets drawn under the model, seed %llu\n",
                          static_cast<unsigned long long>(simulated->replicates),
                          static_cast<unsigned long long>(simulated->seed));
    out << "Cells: " << PoolingRule(summary.minExpected) << "\n";
}

void WriteSummaryTable(std::ostream& out, const FitSummary& summary, const MonteCarloResult* simulated)
{
    WriteSummaryStatistics(out, summary, simulated);
    out << "\n";
    out << "Score   Observed     Expected   (O-E)^2/E   (O-E)/sqrt(E)  Cell\n";
    for (const FitSummary::Score& s : summary.scores)
        out << FormatText("%5d %10.0f %12.4f %11.4f %15.4f %5zu\n", s.score, s.observed, s.expected, s.contribution,
                          s.residual, cellOf(summary, s.score));
}

void WriteSummaryCsv(std::ostream& out, const FitSummary& summary, const MonteCarloResult* simulated)
{
    const auto mc = [simulated](double MonteCarloResult::*p) {
        return simulated ? "," + full(simulated->*p) : std::string();
    };
    out << "statistic,value,df,p" << (simulated ? ",p_mc" : "") << "\n";
    out << "chi_square," << full(summary.chiSquare) << ",," << mc(&MonteCarloResult::chiSquareP) << "\n";
    const auto row = [&](const char* name, double value, double p, double MonteCarloResult::*simulatedP) {
        out << name << "," << full(value) << ",";
        if (summary.testable())
            out << summary.degreesOfFreedom << "," << full(p);
        else
            out << ",";
        out << mc(simulatedP) << "\n";
    };
    row("pooled_chi_square", summary.pooledChiSquare, summary.pooledP, &MonteCarloResult::pooledChiSquareP);
    row("likelihood_ratio", summary.likelihoodRatio, summary.likelihoodRatioP, &MonteCarloResult::likelihoodRatioP);
    out << "\nscore,observed,expected,contribution,residual,cell\n";
    for (const FitSummary::Score& s : summary.scores)
        out << s.score << "," << full(s.observed) << "," << full(s.expected) << "," << full(s.contribution) << ","
            << full(s.residual) << "," << cellOf(summary, s.score) << "\n";
}

void WriteSummaryJson(std::ostream& out, const FitSummary& summary, const std::vector<FitWarning>& warnings,
                      const SummaryExtras& extras)
{
    out << "{\n  \"chi_square\": " << full(summary.chiSquare) << ",\n";
    out << "  \"min_expected\": " << full(summary.minExpected) << ",\n";
    out << "  \"pooling_rule\": \"" << PoolingRule(summary.minExpected) << "\",\n";
    if (summary.testable()) {
        out << "  \"pooled\": {\"chi_square\": " << full(summary.pooledChiSquare)
            << ", \"df\": " << summary.degreesOfFreedom << ", \"p\": " << full(summary.pooledP)
            << ", \"likelihood_ratio\": " << full(summary.likelihoodRatio)
            << ", \"likelihood_ratio_p\": " << full(summary.likelihoodRatioP) << "},\n";
    } else {
        out << "  \"pooled\": null,\n";
    }
    out << "  \"cells\": [";
    for (std::size_t c = 0; c < summary.cells.size(); ++c) {
        const FitSummary::Cell& cell = summary.cells[c];
        out << (c ? ",\n    " : "\n    ") << "{\"first_score\": " << cell.firstScore
            << ", \"last_score\": " << cell.lastScore << ", \"observed\": " << full(cell.observed)
            << ", \"expected\": " << full(cell.expected) << "}";
    }
    out << "\n  ],\n  \"scores\": [";
    for (std::size_t k = 0; k < summary.scores.size(); ++k) {
        const FitSummary::Score& s = summary.scores[k];
        out << (k ? ",\n    " : "\n    ") << "{\"score\": " << s.score << ", \"observed\": " << full(s.observed)
            << ", \"expected\": " << full(s.expected) << ", \"contribution\": " << full(s.contribution)
            << ", \"residual\": " << full(s.residual) << "}";
    }
    // File names need not be valid UTF-8: such bytes come out replaced.
    nlohmann::json list = nlohmann::json::array();
    for (const FitWarning& warning : warnings)
        list.push_back({{"kind", warning.kind}, {"file", warning.file}, {"message", warning.message}});
    out << "\n  ],\n  \"warnings\": " << list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    const MonteCarloResult* simulated = extras.simulated;
    if (extras.items) {
        out << ",\n  \"items\": ";
        WriteItemFitJson(out, *extras.items, simulated ? &simulated->itemP : nullptr);
    }
    if (extras.pairs) {
        out << ",\n  \"pairs\": ";
        WritePairsJson(out, *extras.pairs, simulated ? &simulated->pairP : nullptr);
    }
    if (extras.persons) {
        out << ",\n  \"persons\": ";
        WritePersonJson(out, *extras.persons, extras.givenTheta);
    }
    if (extras.missing && extras.forms)
        out << ",\n  \"missing\": "
            << nlohmann::json{{"codes", extras.missing->codes()},
                              {"answers_missing", extras.forms->missingAnswers()},
                              {"subjects_without_answers", extras.forms->withoutAnswers()},
                              {"forms", extras.forms->forms().size()}}
                   .dump();
    if (simulated)
        out << ",\n  \"monte_carlo\": "
            << nlohmann::json{{"replicates", simulated->replicates},
                              {"seed", simulated->seed},
                              {"chi_square_p", simulated->chiSquareP},
                              {"pooled_chi_square_p", simulated->pooledChiSquareP},
                              {"likelihood_ratio_p", simulated->likelihoodRatioP}}
                   .dump();
    out << "\n}\n";
}

void WriteSummary(std::ostream& out, SummaryFormat format, const FitSummary& summary,
                  const std::vector<FitWarning>& warnings, const SummaryExtras& extras)
{
    const MonteCarloResult* mc = extras.simulated;
    const std::vector<double>* itemP = mc ? &mc->itemP : nullptr;
    const std::vector<double>* pairP = mc ? &mc->pairP : nullptr;
    switch (format) {
    case SummaryFormat::Json:
        WriteSummaryJson(out, summary, warnings, extras);
        return;
    case SummaryFormat::Csv:
        WriteSummaryCsv(out, summary, mc);
        if (extras.items) {
            out << "\n";
            WriteItemFitCsv(out, *extras.items, itemP);
        }
        if (extras.pairs) {
            out << "\n";
            WritePairsCsv(out, *extras.pairs, pairP);
        }
        if (extras.persons) {
            out << "\n";
            WritePersonCsv(out, *extras.persons, extras.givenTheta);
        }
        return;
    case SummaryFormat::Table:
        if (extras.missing && extras.forms)
            writeMissing(out, *extras.missing, *extras.forms);
        WriteSummaryTable(out, summary, mc);
        if (extras.items)
            WriteItemFitTable(out, *extras.items, itemP);
        if (extras.pairs)
            WritePairsTable(out, *extras.pairs, pairP);
        if (extras.persons)
            WritePersonTable(out, *extras.persons);
        return;
    }
}

std::string FormatSummaryStatistics(const FitSummary& summary, const MonteCarloResult* simulated)
{
    std::ostringstream out;
    WriteSummaryStatistics(out, summary, simulated);
    return out.str();
}

std::string FormatSummaryCsv(const FitSummary& summary, const MonteCarloResult* simulated)
{
    std::ostringstream out;
    WriteSummaryCsv(out, summary, simulated);
    return out.str();
}

std::string FormatSummaryJson(const FitSummary& summary, const std::vector<FitWarning>& warnings,
                              const SummaryExtras& extras)
{
    std::ostringstream out;
    WriteSummaryJson(out, summary, warnings, extras);
    return out.str();
}
