// talver-fit: runs one fit analysis from the command line and leaves the
// report files OUT and OUTG in the current directory, as the application does.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <mutex>
#include <new>
#include <string>

#include <unistd.h>

#include "analysis/Analysis.h"
#include "kernels/VectorPath.h"
#include "kernels/Workers.h"
#include "report/DiagnosisReport.h"
#include "report/FileInPlace.h"
#include "report/ReportHtml.h"
#include "stats/PersonFormat.h"
#include "stats/SummaryFormat.h"
#include "tools/BatchOptions.h"
#include "tools/ChartLoader.h"

namespace {

constexpr int kUsageError = 64;
constexpr int kChartError = 73;
constexpr int kPrintError = 74;
constexpr int kInternalError = 70;

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
    "  --subjects N           number of subjects, 1 to 2147483647 (with a score\n"
    "                         table, its records: given, they must agree)\n"
    "  --items M              number of items, 1 to 2147483647 (with a score\n"
    "                         table, its item columns)\n"
    "  --categories K         response categories per item, 1 to 100 (grm, pcm;\n"
    "                         with --parameters, its thresholds b1 ... plus 1)\n"
    "  --discrimination FILE  one discrimination index per item (2pl, 3pl, grm)\n"
    "  --discrimination-constant A\n"
    "                         the common discrimination, not 0 (1pl, pcm)\n"
    "  --difficulty FILE      one difficulty per item (1pl, 2pl, 3pl); the K - 1\n"
    "                         thresholds (grm) or steps (pcm) of every item,\n"
    "                         boundary by boundary, item by item within\n"
    "  --c-indices FILE       one lower asymptote per item (3pl)\n"
    "  --scores FILE          the scores, subject by subject, item by item within;\n"
    "                         a name ending in .csv or .tsv is a table: a header\n"
    "                         of column names, a line a subject, an empty, NA or\n"
    "                         . cell a missing answer\n"
    "  --scores-format table  read the scores as a table whatever their name\n"
    "  --id-column NAME       the table's column of subjects' identifiers, kept\n"
    "                         and never scored (default: a first column\n"
    "                         without a name, as R writes row names)\n"
    "  --item-columns A,B,... the table's item columns, in this order (default:\n"
    "                         every column but the identifiers')\n"
    "  --parameters TABLE     every item parameter from one table (.csv, .tsv):\n"
    "                         columns item (optional: matched by name to the\n"
    "                         scores' items), a, b, b1 ... b{K-1}, c or g; other\n"
    "                         columns are ignored. In place of --discrimination,\n"
    "                         --difficulty and --c-indices; with a, in place of\n"
    "                         --discrimination-constant\n"
    "  --nodes20, --nodes51   standard normal latent distribution from the file\n"
    "                         nodes20.dat or nodes51.dat: the current directory's,\n"
    "                         or else the one that ships with talver-fit\n"
    "  --nodes FILE --node-count Q\n"
    "                         Q point and weight pairs (BILOG format output)\n"
    "  --estimates FILE       one ability estimate per subject\n"
    "  --metric METRIC        normal (D = 1.702, the default) or logistic (D = 1);\n"
    "                         binary models only, no effect on grm and pcm\n"
    "  --missing CODES        codes of answers not given (9, or -1,99), none of\n"
    "                         them a code of the model: each subject is expected\n"
    "                         from the items it answered (man talver-fit)\n"
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
    "  --report FILE          the whole diagnosis in one document: what was run\n"
    "                         (every input file with its size and SHA-256), the\n"
    "                         warnings, the statistics, the charts and the item\n"
    "                         and pair tables; HTML (.html, self-contained) or\n"
    "                         PDF (.pdf) by the name's ending\n"
    "  --monte-carlo R        add p-values from R data sets simulated under the\n"
    "                         model, for every statistic printed\n"
    "  --seed S               the simulations' seed, a 64-bit integer (default 1);\n"
    "                         the same seed gives the same p-values anywhere\n"
    "  --person-fit           add each subject's ability estimate, lz, lz*, infit\n"
    "                         and outfit over the items it answered; subjects\n"
    "                         with p below 0.05 are flagged, against the 5%\n"
    "                         chance alone flags; the table lists the 20 lowest\n"
    "  --theta-estimator E    wle (the default), ml, map or eap\n"
    "  --persons FILE.csv     every subject's row, in the file's order\n"
    "  --person-plot FILE     draw the histogram of lz*, as PNG or SVG\n"
    "  --person-monte-carlo R each subject's p from R answer vectors drawn at\n"
    "                         its estimate\n"
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
    "Tables are read strictly instead: comma, tab or semicolon between fields\n"
    "(the header's), double quotes around a field if need be (\"\" for a quote),\n"
    "codes whole numbers, parameters numbers; a line of the wrong length, a\n"
    "duplicated column name or a missing column stops the run (exit 14), and OUT\n"
    "and OUTG stay as they were.\n"
    "\n"
    "Exit status: 0 success; 1 to 5 the discrimination, difficulty, C-indices,\n"
    "score or latent file cannot be opened; 6 OUT or OUTG cannot be written;\n"
    "7 not enough memory; 8, 9, 10 and 12 a value of the discrimination,\n"
    "difficulty, C-indices or latent file (or the discrimination constant) is\n"
    "beyond single precision; 13 the frequencies or the chi-square are beyond\n"
    "single precision; 14 a score or parameter table cannot be read as one (the\n"
    "message names the file, the line and the column); 64 a bad command line,\n"
    "or counts that are not the score table's; 65 warnings with --strict;\n"
    "70 an internal error; 73 a chart or the report cannot be written; 74 the\n"
    "summary cannot be printed; 75 the model cannot be simulated (a negative\n"
    "weight or probability).\n"
    "OUT and OUTG are replaced only by a run that succeeds, once everything\n"
    "asked for (charts, report, statistics, simulation, the summary) is done.\n"
    "TALVER_THREADS=N sets the number of threads, and TALVER_VECTORS=baseline,\n"
    "avx2 or avx512 a narrower vector path than the processor's widest (a path\n"
    "it lacks is refused, exit 64); the results are the same with any.\n"
    "The item fit and the pairs count the subjects whose every score is one of\n"
    "the model's codes; the others are left out of them, and their simulated\n"
    "data sets draw as many subjects as they counted.\n";

AnalysisRequest analysisRequestOf(const BatchOptions& options)
{
    AnalysisRequest request;
    request.model = options.kind;
    request.fit = options.request;
    request.strict = options.strict;
    request.minExpected = options.minExpected;
    request.countItems = options.itemFit;
    request.itemMinExpected = options.itemMinExpected;
    request.countPairs = options.pairs;
    request.missing = options.missing;
    request.scoresAsTable = options.scoresAsTable;
    request.scoreColumns = options.scoreColumns;
    request.threads = ThreadCountFromEnvironment();
    return request;
}

SummaryFormat formatOf(const std::string& name)
{
    return name == "csv" ? SummaryFormat::Csv : name == "json" ? SummaryFormat::Json : SummaryFormat::Table;
}

// The charts asked for; kChartError with the reason when one cannot be
// written.
int drawCharts(const BatchOptions& options, const Analysis& analysis, std::string& reason)
{
    const ScoreTable& table = analysis.table();
    if (!options.plotFile.empty()) {
        const ScoreChart chart{table.firstScore, table.observed, table.expected,
                               kScoreChartTitle};
        if (!SaveChartThroughModule(chart, options.plotFile, reason))
            return kChartError;
    }
    if (!options.itemPlotFile.empty()) {
        const ItemFit none;
        const ItemFit& items = analysis.itemFit() ? *analysis.itemFit() : none;
        if (!SaveChartThroughModule(ItemChartsOf(items, analysis.model().items.categoryCount), options.itemPlotFile,
                                    reason))
            return kChartError;
    }
    if (!options.pairsPlotFile.empty()) {
        const LocalDependence none;
        const LocalDependence& pairs = analysis.pairs() ? *analysis.pairs() : none;
        if (!SaveChartThroughModule(PairMapOf(pairs, analysis.items(), kPairMapTitle),
                                    options.pairsPlotFile, reason))
            return kChartError;
    }
    if (!options.personPlotFile.empty() && analysis.persons() &&
        !SaveChartThroughModule(PersonHistogramOf(*analysis.persons()), options.personPlotFile, reason))
        return kChartError;
    return kAnalysisSuccess;
}

// The report asked for; kChartError with the reason when it cannot be
// written.
int writeReport(const BatchOptions& options, const Analysis& analysis, std::string& reason)
{
    if (options.reportFile.empty())
        return kAnalysisSuccess;
    const Report report = DiagnosisReport(analysis, CurrentReportContext(analysis.simulated()));
    const bool written = IsPdfName(options.reportFile) ? SaveReportThroughModule(report, options.reportFile, reason)
                                                       : SaveReportHtml(report, options.reportFile, reason);
    return written ? kAnalysisSuccess : kChartError;
}

// Every subject's person fit, each row written to the persons' table as it
// is worked out; kChartError with the reason when the table cannot be
// written.
int computePersons(const BatchOptions& options, Analysis& analysis, const Analysis::StepProgress& told,
                   std::string& reason)
{
    if (!options.personFit)
        return kAnalysisSuccess;
    const PersonRequest asked{options.estimator, options.personReplicates, options.seed};
    const AnalysisProgress progress = [&told](double share) {
        if (told)
            told("person fit", share);
        return true;
    };
    AnalysisStatus status = kAnalysisSuccess;
    const auto compute = [&](std::ostream* out) {
        if (!out) {
            status = analysis.computePersons(asked, {}, progress);
            return status == kAnalysisSuccess;
        }
        PersonRows rows(*out, options.request.useEstimates == 1, options.personReplicates > 0);
        rows.header();
        const PersonPass::Text text{
            [&rows](const PersonFigures& figures, std::string& lines) { rows.append(figures, lines); },
            [out](const std::string& lines) { out->write(lines.data(), static_cast<std::streamsize>(lines.size())); }};
        status = analysis.computePersons(asked, {}, progress, text);
        return status == kAnalysisSuccess && out->flush();
    };
    if (options.personsFile.empty()) {
        compute(nullptr);
    } else {
        std::vector<char> buffer(1u << 20);
        const bool written = WriteFileInPlace(options.personsFile, [&](const std::string& aside) {
            std::ofstream out;
            out.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            out.open(aside, std::ios::binary);
            if (!out || !compute(&out))
                return false;
            out.close();
            return !out.fail();
        });
        if (status == kAnalysisSuccess && !written) {
            reason = "cannot write the persons' table '" + options.personsFile + "'";
            return kChartError;
        }
    }
    if (status != kAnalysisSuccess)
        reason = analysis.describe(status, WorkingFolder());
    return status;
}

// The summary on standard output, as it is made.
int printSummary(const BatchOptions& options, const Analysis& analysis)
{
    SummaryExtras shown{analysis.itemFit(), analysis.pairs(), analysis.simulated(), &options.missing,
                        analysis.forms()};
    shown.persons = analysis.persons();
    shown.givenTheta = options.request.useEstimates == 1;
    WriteSummary(std::cout, formatOf(options.format), analysis.summary(), analysis.warnings(), shown);
    std::cout.flush();
    return std::cout ? kAnalysisSuccess : kPrintError;
}

// On a terminal, each long step's share done, on one line that the next
// overwrites and the end clears. The simulation's workers tell it at once.
class StepLine {
public:
    StepLine() : shown_(isatty(STDERR_FILENO) == 1) {}
    ~StepLine() { clear(); }
    StepLine(const StepLine&) = delete;
    StepLine& operator=(const StepLine&) = delete;

    Analysis::StepProgress told()
    {
        if (!shown_)
            return {};
        return [this](const char* step, double share) {
            const std::lock_guard<std::mutex> lock(mutex_);
            const int percent = static_cast<int>(share * 100.0);
            if (step == step_ && percent == percent_)
                return;
            step_ = step;
            percent_ = percent;
            std::fprintf(stderr, "\rtalver-fit: %s %d%%   ", step, percent);
            std::fflush(stderr);
            written_ = true;
        };
    }
    void clear()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (written_)
            std::fputs("\r                                        \r", stderr);
        written_ = false;
    }

private:
    std::mutex mutex_;
    bool shown_;
    bool written_ = false;
    const char* step_ = nullptr;
    int percent_ = -1;
};

// When memory is so short that even an exception cannot be made, the run
// still ends with a status and a line, not a signal.
[[noreturn]] void terminated()
{
    bool memory = true;
    if (const std::exception_ptr exception = std::current_exception()) {
        try {
            std::rethrow_exception(exception);
        } catch (const std::bad_alloc&) {
        } catch (...) {
            memory = false;
        }
    }
    std::fputs(memory ? "talver-fit: Not enough memory for this run.\n" : "talver-fit: internal error.\n", stderr);
    std::_Exit(memory ? kAnalysisOutOfMemory : kInternalError);
}

}  // namespace

int main(int argc, char** argv)
{
    std::set_terminate(terminated);
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

    // Nothing of the run may escape as an exception: memory that runs out
    // anywhere, the output included, ends it with its status.
    std::string reason;
    const int status = Guarded([&] {
        Analysis analysis(analysisRequestOf(options));
        StepLine progress;
        const AnalysisStatus result = analysis.runWhole(options.replicates, options.seed, progress.told());
        progress.clear();
        for (const FitWarning& warning : analysis.warnings())
            std::fprintf(stderr, "warning: %s\n", warning.message.c_str());
        if (result != kAnalysisSuccess) {
            reason = analysis.describe(result, WorkingFolder());
            return result;
        }
        // The reports are replaced only once everything asked for is done.
        int step = computePersons(options, analysis, progress.told(), reason);
        progress.clear();
        if (step == kAnalysisSuccess)
            step = drawCharts(options, analysis, reason);
        if (step == kAnalysisSuccess)
            step = writeReport(options, analysis, reason);
        if (step == kAnalysisSuccess && !options.quiet && (step = printSummary(options, analysis)) != kAnalysisSuccess)
            reason = "cannot print the summary";
        if (step == kAnalysisSuccess && (step = analysis.publish()) != kAnalysisSuccess)
            reason = analysis.describe(step, WorkingFolder());
        return static_cast<AnalysisStatus>(step);
    });
    if (status != kAnalysisSuccess)
        std::fprintf(stderr, "talver-fit: %s\n", reason.empty() ? "Not enough memory for this run." : reason.c_str());
    return status;
}
