// talver-fit: runs one fit analysis from the command line and leaves the
// report files OUT and OUTG in the current directory, as the application does.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <new>

#include "fit/FitEngine.h"
#include "fit/ItemExpectation.h"
#include "fit/PairExpectation.h"
#include "fit/ReportFile.h"
#include "fit/VectorPath.h"
#include "fit/Workers.h"
#include "stats/FitSummary.h"
#include "stats/ItemFitFormat.h"
#include "stats/LocalDependenceFormat.h"
#include "stats/MonteCarlo.h"
#include "stats/SummaryFormat.h"
#include "tools/BatchOptions.h"
#include "tools/ChartLoader.h"

namespace {

constexpr int kUsageError = 64;
constexpr int kChartError = 73;
constexpr int kSimulationError = 75;

const char* const kHelp =
    "\n"
    "Predicts the frequency of every total score under an IRT model whose item\n"
    "parameters were calibrated elsewhere, counts the observed frequencies in the\n"
    "subjects' scores, and compares them with a chi-square. Writes the reports OUT\n"
    "and OUTG in the current directory and prints a summary: the chi-square over\n"
    "every score as OUT has it, and on cells pooled from each tail inwards until\n"
    "each expects enough subjects, the Pearson chi-square and the likelihood ratio\n"
    "G2 with their degrees of freedom and p-values, then each score's contribution\n"
    "and standardised residual.\n"
    "\n"
    "  --model MODEL          1pl, 2pl, 3pl (binary items, scores 0 and 1),\n"
    "                         grm (graded response), pcm (partial credit;\n"
    "                         category codes 1 to K)\n"
    "  --subjects N           number of subjects, 1 to 2147483647\n"
    "  --items M              number of items, 1 to 2147483647\n"
    "  --categories K         response categories per item, 1 to 100 (grm, pcm)\n"
    "  --discrimination FILE  one discrimination index per item (2pl, 3pl, grm)\n"
    "  --discrimination-constant A\n"
    "                         the common discrimination, not 0 (1pl, pcm)\n"
    "  --difficulty FILE      one difficulty per item (1pl, 2pl, 3pl); the K - 1\n"
    "                         thresholds (grm) or steps (pcm) of every item,\n"
    "                         boundary by boundary, item by item within\n"
    "  --c-indices FILE       one lower asymptote per item (3pl)\n"
    "  --scores FILE          the scores, subject by subject, item by item within\n"
    "  --nodes20, --nodes51   standard normal latent distribution from the file\n"
    "                         nodes20.dat or nodes51.dat: the current directory's,\n"
    "                         or else the one that ships with talver-fit\n"
    "  --nodes FILE --node-count Q\n"
    "                         Q point and weight pairs (BILOG format output)\n"
    "  --estimates FILE       one ability estimate per subject\n"
    "  --metric METRIC        normal (D = 1.702, the default) or logistic (D = 1);\n"
    "                         binary models only, no effect on grm and pcm\n"
    "  --format FORMAT        the summary as a table (the default), csv or json\n"
    "                         (the schemas: man talver-fit)\n"
    "  --quiet                print nothing after a run that succeeds\n"
    "  --strict               fail (exit 65, reports not replaced) when the input\n"
    "                         gives any warning\n"
    "  --min-expected X       pool cells until each expects X subjects (default 5)\n"
    "  --plot FILE            also draw the observed and expected distributions,\n"
    "                         as PNG or SVG by the name's ending\n"
    "  --item-fit             add each item's S-X2 (summed-score item fit) with\n"
    "                         df, p, Benjamini-Hochberg adjusted p and RMSEA;\n"
    "                         items with an adjusted p below 0.05 are flagged\n"
    "  --item-min-expected X  merge score groups until every category expects\n"
    "                         X subjects (default 1)\n"
    "  --item-plot FILE       draw each item's observed and expected mean score by\n"
    "                         score group, as PNG or SVG\n"
    "  --pairs                add the local dependence X2 of every pair of items\n"
    "                         with df, p, Benjamini-Hochberg adjusted p, sign and\n"
    "                         Cramer's V; the table lists the 20 largest\n"
    "  --pairs-plot FILE      draw the pairs' signed V as a heat map, PNG or SVG\n"
    "  --monte-carlo R        add p-values from R data sets simulated under the\n"
    "                         model, for every statistic printed\n"
    "  --seed S               the simulation's seed, a 64-bit integer (default 1);\n"
    "                         the same seed gives the same p-values anywhere\n"
    "  --help                 this text\n"
    "  --version              the version, and the vector path runs take here\n"
    "\n"
    "Files hold numbers separated by white space. A value that cannot be read\n"
    "(the file ended, or the text is not a number) counts as 0, and so does every\n"
    "later value of that file. What looks wrong in the input although these rules\n"
    "take it (a file short of values or with more than called for, scores outside\n"
    "the model's codes, thresholds that decrease, node weights that do not sum to\n"
    "1, C indices outside [0, 1), discriminations of 0 or below) is said on\n"
    "standard error, one line each, after \"warning:\"; it changes no number.\n"
    "\n"
    "Exit status: 0 success; 1 to 5 the discrimination, difficulty, C-indices,\n"
    "score or latent file cannot be opened; 6 OUT or OUTG cannot be written;\n"
    "7 not enough memory; 8, 9, 10 and 12 a value of the discrimination,\n"
    "difficulty, C-indices or latent file (or the discrimination constant) is\n"
    "beyond single precision; 13 the frequencies or the chi-square are beyond\n"
    "single precision; 64 a bad command line; 65 warnings with --strict;\n"
    "73 the chart cannot be written; 75 the model cannot be simulated (a\n"
    "negative weight or probability).\n"
    "OUT and OUTG are replaced only by a run that succeeds.\n"
    "TALVER_THREADS=N sets the number of threads, and TALVER_VECTORS=baseline,\n"
    "avx2 or avx512 a narrower vector path than the processor's widest (a path\n"
    "it lacks is refused, exit 64); the results are the same with any.\n"
    "The item fit and the pairs count the subjects whose every score is one of\n"
    "the model's codes; the others are left out of them.\n";

FitEngineFunction engineOf(BatchModel model)
{
    switch (model) {
    case BatchModel::Graded:
        return FitGradedModel;
    case BatchModel::PartialCredit:
        return FitPartialCreditModel;
    default:
        return FitBinaryModel;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string refused;
    if (!UseVectorPathFromEnvironment(refused)) {
        std::fprintf(stderr, "talver-fit: %s\n", refused.c_str());
        return kUsageError;
    }
    const BatchOptions options = ParseBatchOptions(argc, argv);
    if (options.help) {
        std::fputs(kBatchUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("talver-fit %s\nvector path: %s\n", TALVER_VERSION, VectorPathName(ActiveVectorPath()));
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "talver-fit: %s\n%s", options.error.c_str(), kBatchUsage);
        return kUsageError;
    }

    ScoreTable table;
    FitWarnings warnings;
    warnings.refuse = options.strict;
    FitExtras extras;
    extras.countItems = options.itemFit;
    extras.countPairs = options.pairs;
    const FitResult result = engineOf(options.model)(options.request, &table, &warnings, &extras);
    for (const FitWarning& warning : warnings.found)
        std::fprintf(stderr, "warning: %s\n", warning.message.c_str());
    if (result != kFitSuccess) {
        std::error_code error;
        const std::string folder = std::filesystem::current_path(error).string();
        std::fprintf(stderr, "talver-fit: %s\n", DescribeFitResult(result, options.request, folder).c_str());
        return result;
    }
    const FitSummary summary = SummarizeFit(table, options.minExpected);
    ItemFit items;
    LocalDependence pairs;
    std::optional<MonteCarloResult> simulated;
    try {
        ItemExpectation itemExpectation;
        if (options.itemFit) {
            ExpectItemCategories(extras.model, itemExpectation, FitThreadCount());
            items = ComputeItemFit(extras.byItem, itemExpectation, extras.model.parameterCount, table.firstScore,
                                   options.itemMinExpected);
        }
        PairExpectation pairExpectation;
        if (options.pairs) {
            ExpectPairCategories(extras.model, pairExpectation, FitThreadCount());
            pairs = ComputeLocalDependence(extras.pairs, pairExpectation);
        }
        if (options.replicates > 0) {
            MonteCarloRequest request;
            request.model = &extras.model;
            request.subjects = options.request.subjectCount;
            request.table = &table;
            request.summary = &summary;
            if (options.itemFit) {
                request.items = &items;
                request.itemExpectation = &itemExpectation;
            }
            if (options.pairs) {
                request.pairs = &pairs;
                request.pairExpectation = &pairExpectation;
            }
            request.replicates = options.replicates;
            request.seed = options.seed;
            request.threads = FitThreadCount();
            std::string why;
            simulated = SimulatePValues(request, why);
            if (!simulated) {
                std::fprintf(stderr, "talver-fit: cannot simulate under the model: %s\n", why.c_str());
                return kSimulationError;
            }
        }
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "talver-fit: %s\n", DescribeFitResult(kOutOfMemory, options.request, "").c_str());
        return kOutOfMemory;
    }
    std::string reason;
    if (!options.plotFile.empty()) {
        const ScoreChart chart{table.firstScore, table.observed, table.expected,
                               "Observed and expected score distributions"};
        if (!SaveChartThroughModule(chart, options.plotFile, reason)) {
            std::fprintf(stderr, "talver-fit: %s\n", reason.c_str());
            return kChartError;
        }
    }
    if (!options.itemPlotFile.empty()) {
        ItemCharts charts;
        for (const ItemFit::Item& item : items.items)
            charts.items.push_back(CurveOf(item));
        const int K = extras.model.items.categoryCount;
        charts.highest = K - 1;
        charts.measure = K == 2 ? "Proportion correct" : "Mean item score";
        charts.title = "Observed and expected item scores";
        if (!SaveChartThroughModule(charts, options.itemPlotFile, reason)) {
            std::fprintf(stderr, "talver-fit: %s\n", reason.c_str());
            return kChartError;
        }
    }
    if (!options.pairsPlotFile.empty() &&
        !SaveChartThroughModule(PairMapOf(pairs, extras.pairs.items(), "Local dependence of the item pairs"),
                                options.pairsPlotFile, reason)) {
        std::fprintf(stderr, "talver-fit: %s\n", reason.c_str());
        return kChartError;
    }
    if (options.quiet)
        return 0;
    const MonteCarloResult* mc = simulated ? &*simulated : nullptr;
    const std::vector<double>* itemP = mc ? &mc->itemP : nullptr;
    const std::vector<double>* pairP = mc ? &mc->pairP : nullptr;
    const SummaryExtras shown{options.itemFit ? &items : nullptr, options.pairs ? &pairs : nullptr, mc};
    std::string text;
    if (options.format == "csv")
        text = FormatSummaryCsv(summary, mc) + (shown.items ? "\n" + FormatItemFitCsv(items, itemP) : "") +
               (shown.pairs ? "\n" + FormatPairsCsv(pairs, pairP) : "");
    else if (options.format == "json")
        text = FormatSummaryJson(summary, warnings.found, shown);
    else
        text = FormatSummaryTable(summary, mc) + (shown.items ? FormatItemFitTable(items, itemP) : "") +
               (shown.pairs ? FormatPairsTable(pairs, pairP) : "");
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "talver-fit: cannot print the summary\n");
        return kReportFileError;
    }
    return 0;
}
