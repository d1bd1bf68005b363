#include "report/DiagnosisReport.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <initializer_list>
#include <numeric>

#include "charts/ItemCharts.h"
#include "charts/PairMap.h"
#include "charts/PersonCharts.h"
#include "charts/ScoreChart.h"
#include "fit/FitWarning.h"
#include "kernels/VectorPath.h"
#include "report/FileDigest.h"
#include "stats/FlagLevel.h"
#include "stats/ItemFitFormat.h"
#include "stats/PersonFormat.h"
#include "stats/SummaryFormat.h"
#include "stats/TextFormat.h"

namespace {

using Facts = std::vector<std::pair<std::string, std::string>>;

// Item charts in a grid a page holds.
constexpr std::size_t kChartsAPage = 15;
constexpr int kChartColumns = 3;
// The most misfitting subjects whose answers are charted, two a row.
constexpr std::size_t kChartedPersons = 6;
constexpr int kPersonChartColumns = 2;


std::string modelOf(const AnalysisRequest& request, const FitModel& model)
{
    const int k = model.items.categoryCount;
    switch (model.kind) {
    case FitModel::Kind::Graded:
        return FormatText("Graded Response Model, %d categories", k);
    case FitModel::Kind::PartialCredit:
        return FormatText("Partial Credit Model, %d categories", k);
    default:
        return FormatText("%d parameter%s, binary items", request.fit.parameterCount,
                          request.fit.parameterCount == 1 ? "" : "s");
    }
}

// Each input file once, with what it gave the run.
Facts inputsOf(const Analysis& analysis)
{
    const AnalysisRequest& request = analysis.request();
    const FitModel& model = analysis.model();
    const FitRequest& fit = request.fit;
    const bool binary = model.kind == FitModel::Kind::Binary;
    std::vector<std::pair<FileRole, std::string>> files;  // role, path
    if ((binary && fit.parameterCount >= 2) || model.kind == FitModel::Kind::Graded)
        files.push_back({FileRole::Discrimination, fit.discriminationFile});
    else if (analysis.outcome().discriminationFromTable)
        files.push_back({FileRole::Discrimination, fit.difficultyFile});
    files.push_back({DifficultyFileRole(model.kind), fit.difficultyFile});
    if (binary && fit.parameterCount == 3)
        files.push_back({FileRole::CIndices, fit.cFile});
    files.push_back({FileRole::Scores, fit.scoreFile});
    files.push_back({fit.useEstimates ? FileRole::Estimates : FileRole::Nodes, fit.latentFile});
    Facts inputs;
    for (std::size_t k = 0; k < files.size(); ++k) {
        const auto first = std::find_if(files.begin(), files.end(),
                                        [&](const auto& file) { return file.second == files[k].second; });
        if (first != files.begin() + static_cast<std::ptrdiff_t>(k))
            continue;
        std::string roles = FileRoleText(files[k].first);
        for (std::size_t j = k + 1; j < files.size(); ++j)
            if (files[j].second == files[k].second)
                roles += std::string(", ") + FileRoleText(files[j].first);
        roles[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(roles[0])));
        inputs.push_back({roles, files[k].second});
    }
    return inputs;
}

ReportTable inputTable(const Facts& inputs)
{
    ReportTable table{{"Input", "File", "Bytes", "SHA-256"}, {0, 0, 1, 0}, {}, {}, "inputs"};
    for (const auto& [roles, path] : inputs) {
        const FileDigest digest = DigestOf(path);
        table.rows.push_back({roles, path,
                              digest.read ? GroupDigits(static_cast<std::int64_t>(digest.bytes)) : kNoFigure,
                              digest.read ? digest.sha256 : "cannot be read now"});
    }
    return table;
}

Facts runFacts(const Analysis& analysis, const ReportContext& context)
{
    const AnalysisRequest& request = analysis.request();
    const FitModel& model = analysis.model();
    Facts facts = {{"Model", modelOf(request, model)}};
    if (model.kind == FitModel::Kind::Binary)
        facts.push_back({"Metric", request.fit.metric == 1 ? "logistic (D = 1)" : "normal (D = 1.702)"});
    if (request.fit.parameterCount == 1)
        facts.push_back({"Discrimination", analysis.outcome().discriminationFromTable
                                               ? std::string("each item's, from the column a")
                                               : FormatText("%g for every item", request.fit.discriminationConstant)});
    facts.push_back({"Latent distribution",
                     request.fit.useEstimates ? "one ability estimate per subject"
                                              : FormatText("%d nodes and their weights", request.fit.nodeCount)});
    facts.push_back({"Subjects", GroupDigits(analysis.outcome().subjects)});
    facts.push_back({"Items", GroupDigits(model.items.itemCount)});
    if (const AnswerForms* forms = analysis.forms())
        facts.push_back({"Missing answers", FormatFormsLine(*forms)});
    if (context.simulated)
        facts.push_back({"Simulation", GroupDigits(static_cast<std::int64_t>(context.simulated->replicates)) +
                                           FormatText(" data sets, seed %llu",
                                                      static_cast<unsigned long long>(context.simulated->seed))});
    facts.push_back({"Program", "TALVER " + context.version + ", vector path " + context.vectorPath});
    facts.push_back({"Date", context.date});
    return facts;
}

void addSummary(Report& report, const FitSummary& summary, const MonteCarloResult* simulated)
{
    report.heading("Test-level fit");
    ReportTable table{{"Statistic", "Value", "df", "p"}, {0, 1, 1, 1}, {}, {}, "statistics"};
    if (simulated)
        table.column("Simulated p", true);
    const auto row = [&](const char* name, double value, std::string df, std::string p, double simulatedP) {
        std::vector<std::string> cells = {name, FigureText(value), std::move(df), std::move(p)};
        if (simulated)
            cells.push_back(PValueText(simulatedP));
        table.rows.push_back(std::move(cells));
    };
    // The chi-square over every score has no test; the pooled ones have
    // none with fewer than two cells.
    const bool tested = summary.testable();
    const std::string df = tested ? std::to_string(summary.degreesOfFreedom) : "";
    row("Chi-square over every score", summary.chiSquare, "", "", simulated ? simulated->chiSquareP : 0);
    row("Pooled Pearson chi-square", summary.pooledChiSquare, df, tested ? PValueText(summary.pooledP) : kNoFigure,
        simulated ? simulated->pooledChiSquareP : 0);
    row("Likelihood ratio G\u00B2", summary.likelihoodRatio, df,
        tested ? PValueText(summary.likelihoodRatioP) : kNoFigure, simulated ? simulated->likelihoodRatioP : 0);
    report.table("", std::move(table));
    report.paragraph((summary.testable() ? "" : FormatPooledLine(summary) + ". ") + "Cells: " +
                     PoolingRule(summary.minExpected) + ".");
}

void addScores(Report& report, const ScoreTable& scores, const FitSummary& summary)
{
    report.heading("Score distribution");
    report.chart("Observed (red) and expected (blue) frequency of every total score.",
                 ScoreChartScene({scores.firstScore, scores.observed, scores.expected,
                                  kScoreChartTitle}));
    ReportTable table{{"Score", "Observed", "Expected", "(O\u2212E)\u00B2/E", "(O\u2212E)/\u221AE", "Cell"},
                      {1, 1, 1, 1, 1, 1},
                      {},
                      {},
                      "scores"};
    std::size_t cell = 0;
    for (const FitSummary::Score& s : summary.scores) {
        while (cell + 1 < summary.cells.size() && s.score > summary.cells[cell].lastScore)
            ++cell;
        table.rows.push_back({std::to_string(s.score), FormatText("%.0f", s.observed), FigureText(s.expected),
                              FigureText(s.contribution), FigureText(s.residual), std::to_string(cell + 1)});
    }
    report.table("", std::move(table));
}

// The columns the item and the pair tables end with: their statistics, a
// simulated p where there are some, and the flag.
void addStatisticColumns(ReportTable& table, std::initializer_list<const char*> statistics, bool simulated)
{
    for (const char* heading : statistics)
        table.column(heading, true);
    if (simulated)
        table.column("Simulated p", true);
    table.column("Flagged", false);
}

// A row of such a table: cells, then record k's simulated p where there
// are some, then the flag.
void addStatisticRow(ReportTable& table, std::vector<std::string> cells, const std::vector<double>* simulated,
                     std::size_t k, bool flagged)
{
    if (simulated)
        cells.push_back(PValueText((*simulated)[k]));
    cells.push_back(flagged ? "*" : "");
    table.rows.push_back(std::move(cells));
    table.marked.push_back(flagged);
}

void addItems(Report& report, const ItemFit& fit, int categories, const MonteCarloResult* simulated)
{
    const bool named = !fit.names.empty();
    const std::vector<double>* simulatedP =
        simulated && simulated->itemP.size() == fit.items.size() ? &simulated->itemP : nullptr;
    std::vector<std::size_t> order(fit.items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_partition(order.begin(), order.end(), [&](std::size_t k) { return fit.items[k].flagged; });
    const std::size_t flagged = fit.flaggedCount();

    report.heading("Item fit");
    report.paragraph(FormatText("S-X\u00B2 of %zu items; %zu flagged (%s), listed first. Score groups %s.",
                                fit.items.size(), flagged, FlagRule().c_str(),
                                ItemMergingCondition(fit.minExpected).c_str()));
    ReportTable table;
    table.id = "items";
    table.column("Item", true);
    if (named)
        table.column("Name", false);
    addStatisticColumns(table, {"S-X\u00B2", "df", "p", "Adjusted p", "RMSEA", "Groups"}, simulatedP);
    for (const std::size_t k : order) {
        const ItemFit::Item& item = fit.items[k];
        std::vector<std::string> cells = {std::to_string(item.item)};
        if (named)
            cells.push_back(fit.nameOf(item.item));
        for (const std::string& cell : {FigureText(item.sx2), std::to_string(item.df), PValueText(item.p),
                                        PValueText(item.pAdjusted), FigureText(item.rmsea),
                                        std::to_string(item.groups.size())})
            cells.push_back(cell);
        addStatisticRow(table, std::move(cells), simulatedP, k, item.flagged);
    }
    report.table("", std::move(table));
    // A page's worth of charts at a time, all on the same axes, large
    // enough to read when printed.
    const ItemCharts charts = ItemChartsOf(fit, categories);
    const ItemChartAxes axes = ItemChartAxesOf(charts.items, charts.highest);
    for (std::size_t first = 0; first < charts.items.size(); first += kChartsAPage) {
        ItemCharts part = charts;
        const std::size_t last = std::min(charts.items.size(), first + kChartsAPage);
        part.items.assign(charts.items.begin() + static_cast<std::ptrdiff_t>(first),
                          charts.items.begin() + static_cast<std::ptrdiff_t>(last));
        if (charts.items.size() > kChartsAPage)
            part.title += FormatText(", items %zu to %zu", first + 1, last);
        report.chart(first > 0 ? std::string()
                               : charts.measure + " by score group: observed red, expected blue; flagged items "
                                                  "framed in red.",
                     ItemChartsScene(part, axes, std::min<int>(kChartColumns, static_cast<int>(part.items.size()))));
    }
}

void addPairs(Report& report, const LocalDependence& dependence, int items, const MonteCarloResult* simulated)
{
    const std::vector<LocalDependence::Pair>& pairs = dependence.pairs;
    const bool named = !dependence.names.empty();
    const std::vector<double>* simulatedP =
        simulated && simulated->pairP.size() == pairs.size() ? &simulated->pairP : nullptr;
    const std::vector<std::size_t> order = LargestPairs(dependence, kListedPairs);
    const std::size_t flagged = dependence.flaggedCount();

    report.heading("Local dependence");
    report.paragraph(FormatText("X\u00B2 of each of the %zu pairs of %d items; %zu flagged (%s).", pairs.size(), items,
                                flagged, FlagRule().c_str()));
    if (items <= kMostMappedItems)
        report.chart("Signed Cram\u00E9r's V of every pair: dependence red, its opposite blue; flagged pairs outlined.",
                     PairMapFileScene(PairMapOf(dependence, items, kPairMapTitle)));
    else
        report.paragraph(FormatText("The heat map is left out for more than %d items; talver-fit draws it with "
                                    "--pairs-plot.",
                                    kMostMappedItems));
    ReportTable table;
    table.id = "pairs";
    table.column("First", true);
    table.column("Second", true);
    if (named) {
        table.column("First name", false);
        table.column("Second name", false);
    }
    addStatisticColumns(table, {"X\u00B2", "df", "p", "Adjusted p", "Sign", "V"}, simulatedP);
    for (const std::size_t k : order) {
        const LocalDependence::Pair& p = pairs[k];
        if (!p.together)
            break;
        std::vector<std::string> cells = {std::to_string(p.first), std::to_string(p.second)};
        if (named) {
            cells.push_back(dependence.nameOf(p.first));
            cells.push_back(dependence.nameOf(p.second));
        }
        for (const std::string& cell : {FigureText(p.x2), std::to_string(p.df), PValueText(p.p), PValueText(p.pAdjusted),
                                        std::to_string(p.sign), FigureText(p.v)})
            cells.push_back(cell);
        addStatisticRow(table, std::move(cells), simulatedP, k, p.flagged);
    }
    std::string caption = FormatText("The %zu largest X\u00B2", table.rows.size());
    report.table(std::move(caption), std::move(table));
}

// A subject's figure, or a dash where it has none.
std::string personFigure(double value) { return HasFigure(value) ? FigureText(value) : kNoFigure; }

ReportTable mostMisfitting(const PersonSummary& persons)
{
    const bool simulated = persons.replicates > 0;
    ReportTable table;
    table.id = "persons";
    table.column("Rank", true);
    table.column("Subject", false);
    for (const char* heading : {"Answered", "Total", "\u03B8"})
        table.column(heading, true);
    addStatisticColumns(table, {persons.estimator == ThetaEstimator::Eap ? "lz" : "lz*", "p", "Infit", "Outfit"},
                        simulated);
    std::vector<double> simulatedP;
    for (const PersonFigures& f : persons.mostMisfitting)
        simulatedP.push_back(f.pSimulated);
    for (std::size_t k = 0; k < persons.mostMisfitting.size(); ++k) {
        const PersonFigures& f = persons.mostMisfitting[k];
        addStatisticRow(table,
                        {std::to_string(k + 1), f.shownId(), std::to_string(f.answered), GroupDigits(f.total),
                         personFigure(f.theta), personFigure(f.misfit()), PValueText(f.p), personFigure(f.infit),
                         personFigure(f.outfit)},
                        simulated ? &simulatedP : nullptr, k, f.flagged);
    }
    return table;
}

// The answers of the most misfitting subjects against what the model
// expects of each.
ChartScene mostMisfittingAnswers(const PersonSummary& persons, const PersonFit& fit,
                                 const std::vector<std::string>& names)
{
    std::vector<PersonResponse> responses;
    for (std::size_t k = 0; k < std::min(kChartedPersons, persons.mostMisfitting.size()); ++k)
        responses.push_back(PersonResponseOf(fit, persons.mostMisfitting[k], persons.answersOfMost[k].data(), names));
    return PersonResponsesScene(responses, kPersonChartColumns,
                                FormatText("Answers of the %zu most misfitting subjects", responses.size()));
}

void addPersons(Report& report, const PersonSummary& persons, const PersonFit* fit,
                const std::vector<std::string>& names)
{
    const bool lz = persons.estimator == ThetaEstimator::Eap;
    report.heading("Person fit");
    report.paragraph(FormatText("Each subject's ability estimated by %s from its own answers, and its %s, infit and "
                                "outfit over the items it answered.",
                                ThetaEstimatorName(persons.estimator), lz ? "lz" : "lz*"));
    report.paragraph(PersonCountsLine(persons) + ".");
    report.paragraph(PersonScreeningLine(persons) + ".");
    const PersonHistogram histogram = PersonHistogramOf(persons);
    report.chart(histogram.statistic + " of every subject (bars) over the standard normal density (blue) it follows "
                                       "where the model fits" +
                     (histogram.cutOff ? "; the line marks its 5% point." : "."),
                 PersonHistogramFileScene(histogram));
    ReportTable table = mostMisfitting(persons);
    const std::string caption = FormatText("The %zu most misfitting subjects, lowest %s first", table.rows.size(),
                                           lz ? "lz" : "lz*");
    report.table(caption, std::move(table));
    if (fit && !persons.mostMisfitting.empty())
        report.chart("Each subject's score on the items it answered (red) and the score the model expects at its "
                     "ability (blue), the easiest item first; flagged subjects titled in red.",
                     mostMisfittingAnswers(persons, *fit, names));
}

void addMeanings(Report& report, const Analysis& analysis, const ReportContext& context)
{
    const FitSummary& summary = analysis.summary();
    report.heading("What the statistics mean");
    report.subheading("Test-level fit");
    report.paragraph("The expected frequency of every total score is N times the model's probability of that total, "
                     "summed over the latent distribution; the chi-square over every score is \u03A3 (O \u2212 E)\u00B2/E "
                     "as the reports OUT and OUTG have it. The Pearson chi-square and the likelihood ratio "
                     "G\u00B2 = 2 \u03A3 O ln(O/E) are taken on pooled cells: " +
                     PoolingRule(summary.minExpected) + "; df = cells \u2212 1, as the item parameters come from "
                     "elsewhere; p is the chi-square upper tail. Each score's contribution is (O \u2212 E)\u00B2/E and "
                     "its standardised residual (O \u2212 E)/\u221AE.");
    if (const ItemFit* fit = analysis.itemFit()) {
        report.subheading("Item fit (S-X\u00B2)");
        report.paragraph("For each item and total score, the model's expected share of the subjects with that total "
                         "who answer each category is compared with the observed. The score groups are the totals 1 "
                         "to S \u2212 1, " + ItemMergingRule(fit->minExpected) + ". S-X\u00B2 sums (O \u2212 E)\u00B2/E "
                         "over the groups and categories; df = groups \u00D7 (K \u2212 1) minus the item's parameter "
                         "count, and where df \u2264 0 there is no p and no RMSEA. RMSEA = \u221A(max(0, "
                         "(S-X\u00B2 \u2212 df) / (df (N \u2212 1)))). The p-values are adjusted by Benjamini and "
                         "Hochberg over the items, and an item is flagged at an " + FlagRule() + ". Only subjects "
                         "whose every score is one of the model's codes are counted.");
    }
    if (analysis.pairs()) {
        report.subheading("Local dependence");
        report.paragraph("For each pair of items, the subjects' answers in each pair of categories are compared with "
                         "N \u03A3 w P(i,k|\u03B8) P(j,l|\u03B8) over the latent distribution. X\u00B2 sums "
                         "(O \u2212 E)\u00B2/E over the K \u00D7 K cells; df = (K \u2212 1)\u00B2; the sign is that of "
                         "\u03A3 (O \u2212 E) over the cells where both items score alike, 1 where the pair goes "
                         "together more than the model says; Cram\u00E9r's V = \u221A(X\u00B2 / (N (K \u2212 1))). "
                         "The p-values are adjusted by Benjamini and Hochberg over all pairs, and a pair is flagged "
                         "at an " + FlagRule() + ". With parameters from elsewhere that fit, X\u00B2 averages about "
                         "K\u00B2 \u2212 1 rather than df, so these p-values are liberal: read the largest X\u00B2 as "
                         "the pairs to look at first, or the simulated p-values.");
    }
    if (const PersonSummary* persons = analysis.persons()) {
        report.subheading("Person fit");
        report.paragraph("lz is the log-likelihood of a subject's answers at its estimated ability, less what the "
                         "model expects it to be, over its standard deviation: near 0 where the answers are as "
                         "likely as the model says, well below 0 where they are less likely (right answers to hard "
                         "items and wrong ones to easy items). lz* is Snijders' correction of lz for the ability "
                         "being estimated from the same answers, so that it follows the standard normal for "
                         "subjects the model fits; eap's estimate has no such correction, and its lz no p. Infit is "
                         "the sum of the squared residuals over the sum of their variances, outfit the mean of the "
                         "squared standardised residuals; both are near 1 where the model fits, above 1 for answers "
                         "more erratic than it expects and below 1 for answers more predictable, and their t "
                         "values are their Wilson-Hilferty standardisations. The screening rule: a subject is "
                         "flagged at a " + PersonFlagRule(persons->replicates > 0) + ", the lower tail of lz* or "
                         "the share of answer vectors drawn at its ability with lz* as low. " +
                         FormatText("About %g%% of the subjects whose answers follow the model are flagged by chance "
                                    "alone, which is set beside the count of those flagged, with the binomial p of "
                                    "flagging so many.",
                                    100 * kPersonFlagLevel));
    }
    if (context.simulated) {
        report.subheading("Simulated p-values");
        report.paragraph(FormatText("Each of the %llu data sets holds the run's subjects, each subject's ability drawn "
                                    "from the latent distribution and each answer from the model at that ability, "
                                    "and is scored as the real data. The simulated p of a statistic T is (1 + the "
                                    "number of data sets with T at least as large) / (R + 1). The same seed (%llu) "
                                    "gives the same p-values on every machine and thread count.",
                                    static_cast<unsigned long long>(context.simulated->replicates),
                                    static_cast<unsigned long long>(context.simulated->seed)));
    }
}

}  // namespace

Report DiagnosisReport(const Analysis& analysis, const ReportContext& context)
{
    Report report;
    report.title = "TALVER report: " + modelOf(analysis.request(), analysis.model());
    report.heading("What was run");
    report.facts(runFacts(analysis, context));
    report.table("", inputTable(inputsOf(analysis)));

    report.heading("Warnings");
    if (analysis.warnings().empty())
        report.paragraph("The input gave no warning.");
    for (const FitWarning& warning : analysis.warnings())
        report.paragraph(warning.message);

    addSummary(report, analysis.summary(), context.simulated);
    addScores(report, analysis.table(), analysis.summary());
    if (const ItemFit* fit = analysis.itemFit())
        addItems(report, *fit, analysis.model().items.categoryCount, context.simulated);
    if (const LocalDependence* pairs = analysis.pairs())
        addPairs(report, *pairs, analysis.items(), context.simulated);
    if (const PersonSummary* persons = analysis.persons())
        addPersons(report, *persons, analysis.personFit(), analysis.itemNames());
    addMeanings(report, analysis, context);
    return report;
}

ReportContext CurrentReportContext(const MonteCarloResult* simulated)
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    char date[32] = "";
    if (gmtime_r(&now, &utc))
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", &utc);
    return {TALVER_VERSION, date, VectorPathName(ActiveVectorPath()), simulated};
}
