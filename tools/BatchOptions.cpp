#include "tools/BatchOptions.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <map>

#include "input/DataTable.h"
#include "input/ParameterTable.h"
#include "input/ShippedFiles.h"

const char* const kBatchUsage =
    "usage: talver-fit --model 1pl|2pl|3pl|grm|pcm --subjects N --items M [--categories K]\n"
    "                  [--discrimination FILE] [--discrimination-constant A] --difficulty FILE\n"
    "                  [--c-indices FILE] --scores FILE\n"
    "                  [--scores-format table] [--id-column NAME] [--item-columns A,B,...]\n"
    "                  [--parameters TABLE]\n"
    "                  (--nodes20 | --nodes51 | --nodes FILE --node-count Q | --estimates FILE)\n"
    "                  [--metric normal|logistic] [--missing CODES]\n"
    "                  [--format table|csv|json | --quiet] [--min-expected X] [--plot FILE.png|FILE.svg]\n"
    "                  [--strict] [--item-fit [--item-min-expected X] [--item-plot FILE.png|FILE.svg]]\n"
    "                  [--pairs [--pairs-plot FILE.png|FILE.svg]] [--monte-carlo R [--seed S]]\n"
    "                  [--report FILE.html|FILE.pdf]\n";

namespace {

// Plain arrays: nothing is allocated before main, where running out of
// memory could not be answered with a status.
const char* const kValueFlags[] = {
    "--model", "--subjects", "--items", "--categories", "--discrimination",
    "--discrimination-constant", "--difficulty", "--c-indices", "--scores", "--nodes",
    "--node-count", "--estimates", "--metric", "--format", "--min-expected", "--plot",
    "--item-min-expected", "--item-plot", "--pairs-plot", "--monte-carlo", "--seed", "--missing",
    "--scores-format", "--id-column", "--item-columns", "--parameters", "--report"};
const char* const kSwitches[] = {"--nodes20", "--nodes51", "--help", "--version", "--quiet", "--strict",
                                 "--item-fit", "--pairs"};

template <std::size_t N>
bool listed(const char* const (&flags)[N], const std::string& flag)
{
    return std::find(std::begin(flags), std::end(flags), flag) != std::end(flags);
}

// A positive number, or a reason why not.
std::string parsePositive(const std::string& flag, const std::string& text, double& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !(value > 0.0) || !std::isfinite(value))
        return flag + " takes a positive number, not '" + text + "'";
    return {};
}

// Whether text is exactly one whole number of value's type.
template <typename Whole>
bool parseWhole(const std::string& text, Whole& value)
{
    const char* const last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    return ec == std::errc() && end == last;
}

// A chart's file name, or a reason why not.
// A file name with one of the endings, or a reason why not.
std::string parseOutputName(const std::string& flag, const std::string& name,
                            std::initializer_list<const char*> endings, const char* said)
{
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* ending : endings)
        if (extension == ending)
            return {};
    return flag + " takes a file name ending in " + said + ", not '" + name + "'";
}

std::string parseChartName(const std::string& flag, const std::string& name)
{
    return parseOutputName(flag, name, {"png", "svg"}, ".png or .svg");
}

// The outputs of a run that succeeds.
std::string fillOutputs(BatchOptions& options, const std::map<std::string, std::string>& flags)
{
    const auto given = [&flags](const char* flag) { return flags.count(flag) != 0; };
    if (given("--format")) {
        options.format = flags.at("--format");
        if (options.format != "table" && options.format != "csv" && options.format != "json")
            return "--format takes table, csv or json, not '" + options.format + "'";
        if (given("--quiet"))
            return "--quiet does not go with --format";
    }
    options.quiet = given("--quiet");
    options.strict = given("--strict");
    std::string error;
    if (given("--min-expected") && !(error = parsePositive("--min-expected", flags.at("--min-expected"),
                                                           options.minExpected)).empty())
        return error;
    if (given("--plot") && !(error = parseChartName("--plot", options.plotFile = flags.at("--plot"))).empty())
        return error;
    options.itemFit = given("--item-fit");
    if ((given("--item-min-expected") || given("--item-plot")) && !options.itemFit)
        return std::string(given("--item-plot") ? "--item-plot" : "--item-min-expected") + " goes with --item-fit";
    if (given("--item-min-expected") &&
        !(error = parsePositive("--item-min-expected", flags.at("--item-min-expected"), options.itemMinExpected))
             .empty())
        return error;
    if (given("--item-plot") &&
        !(error = parseChartName("--item-plot", options.itemPlotFile = flags.at("--item-plot"))).empty())
        return error;
    if (given("--monte-carlo")) {
        const std::string& text = flags.at("--monte-carlo");
        if (!parseWhole(text, options.replicates) || options.replicates == 0)
            return "--monte-carlo takes a whole number of replicates from 1, not '" + text + "'";
    }
    if (given("--seed")) {
        if (!given("--monte-carlo"))
            return "--seed goes with --monte-carlo";
        // Signed seeds name the same 64 bits as their two's complement.
        const std::string& text = flags.at("--seed");
        std::int64_t signedSeed = 0;
        if (parseWhole(text, signedSeed))
            options.seed = static_cast<std::uint64_t>(signedSeed);
        else if (!parseWhole(text, options.seed))
            return "--seed takes a 64-bit integer, not '" + text + "'";
    }
    if (given("--report") &&
        !(error = parseOutputName("--report", options.reportFile = flags.at("--report"), {"html", "htm", "pdf"},
                                  ".html or .pdf"))
             .empty())
        return error;
    options.pairs = given("--pairs");
    if (given("--pairs-plot") && !options.pairs)
        return "--pairs-plot goes with --pairs";
    if (given("--pairs-plot") &&
        !(error = parseChartName("--pairs-plot", options.pairsPlotFile = flags.at("--pairs-plot"))).empty())
        return error;
    return {};
}

// A whole decimal number from low to high, or a reason why not.
// Whatever the request holds; the engines say when memory does not suffice.
constexpr long long kLargestCount = 2147483647;

std::string parseCount(const std::string& flag, const std::string& text, long long low,
                       long long high, std::int32_t& value)
{
    long long parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    const bool digits = !text.empty() && text[0] != '-' && end == text.data() + text.size() &&
                        error == std::errc();
    if (!digits || parsed < low || parsed > high)
        return flag + " takes a whole number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not '" + text + "'";
    value = static_cast<std::int32_t>(parsed);
    return {};
}

std::string fill(BatchOptions& options, std::map<std::string, std::string>& flags)
{
    const auto take = [&](const std::string& flag) -> const std::string* {
        const auto it = flags.find(flag);
        return it == flags.end() ? nullptr : &it->second;
    };
    const std::string* model = take("--model");
    if (!model)
        return "--model is missing";
    static const std::map<std::string, BatchModel> models = {
        {"1pl", BatchModel::OnePL}, {"2pl", BatchModel::TwoPL}, {"3pl", BatchModel::ThreePL},
        {"grm", BatchModel::Graded}, {"pcm", BatchModel::PartialCredit}};
    const auto found = models.find(*model);
    if (found == models.end())
        return "--model takes 1pl, 2pl, 3pl, grm or pcm, not '" + *model + "'";
    options.model = found->second;
    const BatchModel m = options.model;
    const bool polytomous = m == BatchModel::Graded || m == BatchModel::PartialCredit;
    const bool constant = m == BatchModel::OnePL || m == BatchModel::PartialCredit;

    // A parameter table stands for the files of every parameter, and may
    // give the categories and the common discrimination.
    const std::string* parameters = take("--parameters");
    if (parameters) {
        if (!IsTableFileName(*parameters))
            return "--parameters takes a table, a file whose name ends in .csv or .tsv, not '" + *parameters + "'";
        for (const char* flag : {"--discrimination", "--difficulty", "--c-indices"})
            if (take(flag))
                return std::string(flag) + " does not go with --parameters";
        flags["--difficulty"] = *parameters;
        if (!constant)
            flags["--discrimination"] = *parameters;
        if (m == BatchModel::ThreePL)
            flags["--c-indices"] = *parameters;
        if (polytomous && !take("--categories")) {
            const int thresholds = ThresholdColumnsOf(*parameters);
            if (thresholds == 0)
                return "--categories is missing, and " + *parameters + " has no thresholds b1, b2, ...";
            flags["--categories"] = std::to_string(thresholds + 1);
        }
    }
    const bool tableGivesA = constant && parameters && TableHasColumn(*parameters, "a");

    // Which optional flags this model takes, and which it must have.
    const std::pair<const char*, bool> perModel[] = {
        {"--categories", polytomous},
        {"--discrimination", !constant},
        {"--discrimination-constant", constant && !tableGivesA},
        {"--c-indices", m == BatchModel::ThreePL},
    };
    if (tableGivesA && take("--discrimination-constant"))
        return "--discrimination-constant does not go with a parameter table that has a column a";
    for (const auto& [flag, wanted] : perModel) {
        if (wanted && !take(flag))
            return std::string(flag) + " is missing for --model " + *model;
        if (!wanted && take(flag))
            return std::string(flag) + " does not go with --model " + *model;
    }
    for (const char* flag : {"--difficulty", "--scores"})
        if (!take(flag))
            return std::string(flag) + " is missing";

    // A score table gives the counts; given as well, they must agree.
    const std::string* format = take("--scores-format");
    if (format && *format != "table")
        return "--scores-format takes table, not '" + *format + "'";
    options.scoresAsTable = format != nullptr;
    const bool table = options.scoresAsTable || IsTableFileName(*take("--scores"));
    for (const char* flag : {"--id-column", "--item-columns"})
        if (take(flag) && !table)
            return std::string(flag) + " goes with a score table (a .csv or .tsv name, or --scores-format table)";
    if (const std::string* id = take("--id-column"))
        options.scoreColumns.id = *id;
    if (const std::string* items = take("--item-columns")) {
        for (std::size_t from = 0;;) {
            const std::size_t comma = items->find(',', from);
            options.scoreColumns.items.emplace_back(TrimCell(items->substr(from, comma - from)));
            if (options.scoreColumns.items.back().empty())
                return "--item-columns takes column names separated by commas, not '" + *items + "'";
            if (comma == std::string::npos)
                break;
            from = comma + 1;
        }
    }
    if (!table)
        for (const char* flag : {"--subjects", "--items"})
            if (!take(flag))
                return std::string(flag) + " is missing";

    FitRequest& r = options.request;
    std::string error;
    if (take("--subjects"))
        error = parseCount("--subjects", *take("--subjects"), 1, kLargestCount, r.subjectCount);
    if (error.empty() && take("--items"))
        error = parseCount("--items", *take("--items"), 1, kLargestCount, r.itemCount);
    if (error.empty() && polytomous)
        error = parseCount("--categories", *take("--categories"), 1, 100, r.categoryCount);
    if (!error.empty())
        return error;

    if (tableGivesA) {
        r.parameterCount = 1;
    } else if (constant) {
        const std::string& text = *take("--discrimination-constant");
        double value = 0.0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        // The engines take it in single precision: check that value.
        const float used = static_cast<float>(value);
        if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(used) || used == 0.0f)
            return "--discrimination-constant takes a non-zero number within single precision, not '" + text +
                   "'";
        r.discriminationConstant = value;
        r.parameterCount = 1;
    } else {
        r.discriminationFile = *take("--discrimination");
        r.parameterCount = m == BatchModel::TwoPL ? 2 : 3;
    }
    r.difficultyFile = *take("--difficulty");
    if (m == BatchModel::ThreePL)
        r.cFile = *take("--c-indices");
    r.scoreFile = *take("--scores");

    if (const std::string* missing = take("--missing")) {
        if (!ParseMissingCodes(*missing, options.missing, error) || options.missing.empty())
            return "--missing takes whole numbers separated by commas, as in 9 or -1,99, not '" + *missing + "'";
        const std::int32_t lowest = polytomous ? 1 : 0, highest = polytomous ? r.categoryCount : 1;
        if (!(error = MissingCodesFault(options.missing, lowest, highest)).empty())
            return "--missing: " + error;
    }

    const std::string* metric = take("--metric");
    if (metric && *metric != "normal" && *metric != "logistic")
        return "--metric takes normal or logistic, not '" + *metric + "'";
    r.metric = metric && *metric == "logistic" ? 1 : 0;

    const int latentChoices = !!take("--nodes20") + !!take("--nodes51") + !!take("--nodes") +
                              !!take("--estimates");
    if (latentChoices != 1)
        return "give exactly one of --nodes20, --nodes51, --nodes and --estimates";
    if (take("--node-count") && !take("--nodes"))
        return "--node-count goes only with --nodes";
    if (take("--nodes20")) {
        r.latentFile = LocateShippedFile(kNodes20File);
        r.nodeCount = 20;
    } else if (take("--nodes51")) {
        r.latentFile = LocateShippedFile(kNodes51File);
        r.nodeCount = 51;
    } else if (take("--nodes")) {
        if (!take("--node-count"))
            return "--nodes needs --node-count";
        r.latentFile = *take("--nodes");
        error = parseCount("--node-count", *take("--node-count"), 1, kLargestCount, r.nodeCount);
    } else {
        r.latentFile = *take("--estimates");
        r.nodeCount = r.subjectCount;
        r.useEstimates = 1;
    }
    return error;
}

}  // namespace

BatchOptions ParseBatchOptions(int argc, const char* const* argv)
{
    BatchOptions options;
    std::map<std::string, std::string> flags;
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i], value;
        const std::size_t equals = flag.find('=');
        const bool inlineValue = flag.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = flag.substr(equals + 1);
            flag.resize(equals);
        }
        if (listed(kValueFlags, flag)) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    options.error = flag + " needs a value";
                    return options;
                }
                value = argv[++i];
            }
        } else if (!listed(kSwitches, flag) || inlineValue) {
            options.error = "unknown argument '" + std::string(argv[i]) + "'";
            return options;
        }
        if (!flags.emplace(flag, value).second) {
            options.error = flag + " is given twice";
            return options;
        }
    }
    if (flags.count("--help")) {
        options.help = true;
        return options;
    }
    if (flags.count("--version")) {
        options.version = true;
        return options;
    }
    options.error = fill(options, flags);
    if (options.error.empty())
        options.error = fillOutputs(options, flags);
    return options;
}
