#include "tools/BatchOptions.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <map>

#include "input/DataTable.h"
#include "input/FileName.h"
#include "input/ParameterTable.h"
#include "input/ShippedFiles.h"
#include "model/ModelRules.h"

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
    "                  [--report FILE.html|FILE.pdf]\n"
    "                  [--person-fit [--theta-estimator wle|ml|map|eap] [--persons FILE.csv]\n"
    "                   [--person-plot FILE.png|FILE.svg] [--person-monte-carlo R [--seed S]]]\n";

namespace {

// Plain arrays: nothing is allocated before main, where running out of
// memory could not be answered with a status.
const char* const kValueFlags[] = {
    "--model", "--subjects", "--items", "--categories", "--discrimination",
    "--discrimination-constant", "--difficulty", "--c-indices", "--scores", "--nodes",
    "--node-count", "--estimates", "--metric", "--format", "--min-expected", "--plot",
    "--item-min-expected", "--item-plot", "--pairs-plot", "--monte-carlo", "--seed", "--missing",
    "--scores-format", "--id-column", "--item-columns", "--parameters", "--report",
    "--theta-estimator", "--persons", "--person-plot", "--person-monte-carlo"};
const char* const kSwitches[] = {"--nodes20", "--nodes51", "--help", "--version", "--quiet", "--strict",
                                 "--item-fit", "--pairs", "--person-fit"};

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

// A number of replicates, from 1, or a reason why not.
template <typename Whole>
std::string parseReplicates(const std::string& flag, const std::string& text, Whole& value)
{
    if (!parseWhole(text, value) || value == 0)
        return flag + " takes a whole number of replicates from 1, not '" + text + "'";
    return {};
}

// A file name with one of the endings, or a reason why not.
std::string parseOutputName(const std::string& flag, const std::string& name,
                            std::initializer_list<const char*> endings, const char* said)
{
    for (const char* ending : endings)
        if (FileNameEnding(name) == ending)
            return {};
    return flag + " takes a file name ending in " + said + ", not '" + name + "'";
}

std::string parseChartName(const std::string& flag, const std::string& name)
{
    return parseOutputName(flag, name, {"png", "svg"}, ".png or .svg");
}

// The person fit's estimator and outputs.
std::string fillPersonOutputs(BatchOptions& options, const std::map<std::string, std::string>& flags)
{
    const auto given = [&flags](const char* flag) { return flags.count(flag) != 0; };
    options.personFit = given("--person-fit");
    for (const char* flag : {"--theta-estimator", "--persons", "--person-plot", "--person-monte-carlo"})
        if (given(flag) && !options.personFit)
            return std::string(flag) + " goes with --person-fit";
    if (given("--theta-estimator") && !ThetaEstimatorNamed(flags.at("--theta-estimator"), options.estimator))
        return "--theta-estimator takes wle, ml, map or eap, not '" + flags.at("--theta-estimator") + "'";
    std::string error;
    if (given("--persons") &&
        !(error = parseOutputName("--persons", options.personsFile = flags.at("--persons"), {"csv"}, ".csv"))
             .empty())
        return error;
    if (given("--person-plot") &&
        !(error = parseChartName("--person-plot", options.personPlotFile = flags.at("--person-plot"))).empty())
        return error;
    if (given("--person-monte-carlo"))
        return parseReplicates("--person-monte-carlo", flags.at("--person-monte-carlo"), options.personReplicates);
    return {};
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
    if (given("--monte-carlo") &&
        !(error = parseReplicates("--monte-carlo", flags.at("--monte-carlo"), options.replicates)).empty())
        return error;
    if (given("--seed")) {
        if (!given("--monte-carlo") && !given("--person-monte-carlo"))
            return "--seed goes with --monte-carlo or --person-monte-carlo";
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
    return fillPersonOutputs(options, flags);
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

// What sets the models of the command line apart: the request's
// parameter count, as the program's run of the same model gives it (a
// common discrimination counts one).
struct ModelChoice {
    const char* name;
    FitModel::Kind kind;
    int parameterCount;
};
const ModelChoice kModelChoices[] = {
    {"1pl", FitModel::Kind::Binary, 1},        {"2pl", FitModel::Kind::Binary, 2},
    {"3pl", FitModel::Kind::Binary, 3},        {"grm", FitModel::Kind::Graded, 3},
    {"pcm", FitModel::Kind::PartialCredit, 1},
};

// The run's flags read into the request, step by step; each step returns
// why the command line is refused, or nothing.
class RunFlags {
public:
    RunFlags(BatchOptions& options, std::map<std::string, std::string>& flags)
        : options_(options), flags_(flags), r_(options.request)
    {
    }

    std::string fill()
    {
        for (const auto step : {&RunFlags::model, &RunFlags::parameterTable, &RunFlags::flagsOfModel,
                                &RunFlags::scoreTable, &RunFlags::counts, &RunFlags::parameters,
                                &RunFlags::missingCodes, &RunFlags::metric, &RunFlags::latent})
            if (std::string error = (this->*step)(); !error.empty())
                return error;
        return {};
    }

private:
    const std::string* take(const std::string& flag) const
    {
        const auto it = flags_.find(flag);
        return it == flags_.end() ? nullptr : &it->second;
    }
    bool polytomous() const { return choice_->kind != FitModel::Kind::Binary; }
    bool constant() const { return choice_->parameterCount == 1; }  // a common discrimination
    bool cIndices() const { return choice_->kind == FitModel::Kind::Binary && choice_->parameterCount == 3; }

    std::string model()
    {
        const std::string* model = take("--model");
        if (!model)
            return "--model is missing";
        for (const ModelChoice& choice : kModelChoices)
            if (*model == choice.name)
                choice_ = &choice;
        if (!choice_)
            return "--model takes 1pl, 2pl, 3pl, grm or pcm, not '" + *model + "'";
        options_.kind = choice_->kind;
        return {};
    }

    // A parameter table stands for the files of every parameter, and may
    // give the categories and the common discrimination.
    std::string parameterTable()
    {
        const std::string* parameters = take("--parameters");
        if (!parameters)
            return {};
        if (!IsTableFileName(*parameters))
            return "--parameters takes a table, a file whose name ends in .csv or .tsv, not '" + *parameters + "'";
        for (const char* flag : {"--discrimination", "--difficulty", "--c-indices"})
            if (take(flag))
                return std::string(flag) + " does not go with --parameters";
        flags_["--difficulty"] = *parameters;
        if (!constant())
            flags_["--discrimination"] = *parameters;
        if (cIndices())
            flags_["--c-indices"] = *parameters;
        if (polytomous() && !take("--categories")) {
            const int thresholds = ThresholdColumnsOf(*parameters);
            if (thresholds == 0)
                return "--categories is missing, and " + *parameters + " has no thresholds b1, b2, ...";
            flags_["--categories"] = std::to_string(thresholds + 1);
        }
        tableGivesA_ = constant() && TableHasColumn(*parameters, "a");
        return {};
    }

    // Which optional flags this model takes, and which it must have.
    std::string flagsOfModel()
    {
        const std::pair<const char*, bool> perModel[] = {
            {"--categories", polytomous()},
            {"--discrimination", !constant()},
            {"--discrimination-constant", constant() && !tableGivesA_},
            {"--c-indices", cIndices()},
        };
        if (tableGivesA_ && take("--discrimination-constant"))
            return "--discrimination-constant does not go with a parameter table that has a column a";
        for (const auto& [flag, wanted] : perModel) {
            if (wanted && !take(flag))
                return std::string(flag) + " is missing for --model " + choice_->name;
            if (!wanted && take(flag))
                return std::string(flag) + " does not go with --model " + choice_->name;
        }
        for (const char* flag : {"--difficulty", "--scores"})
            if (!take(flag))
                return std::string(flag) + " is missing";
        return {};
    }

    // A score table gives the counts; given as well, they must agree.
    std::string scoreTable()
    {
        const std::string* format = take("--scores-format");
        if (format && *format != "table")
            return "--scores-format takes table, not '" + *format + "'";
        options_.scoresAsTable = format != nullptr;
        const bool table = options_.scoresAsTable || IsTableFileName(*take("--scores"));
        for (const char* flag : {"--id-column", "--item-columns"})
            if (take(flag) && !table)
                return std::string(flag) + " goes with a score table (a .csv or .tsv name, or --scores-format table)";
        if (const std::string* id = take("--id-column"))
            options_.scoreColumns.id = *id;
        if (const std::string* items = take("--item-columns")) {
            for (std::size_t from = 0;;) {
                const std::size_t comma = items->find(',', from);
                options_.scoreColumns.items.emplace_back(TrimCell(items->substr(from, comma - from)));
                if (options_.scoreColumns.items.back().empty())
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
        return {};
    }

    std::string counts()
    {
        std::string error;
        if (take("--subjects"))
            error = parseCount("--subjects", *take("--subjects"), 1, kLargestCount, r_.subjectCount);
        if (error.empty() && take("--items"))
            error = parseCount("--items", *take("--items"), 1, kLargestCount, r_.itemCount);
        if (error.empty() && polytomous())
            error = parseCount("--categories", *take("--categories"), 1, 100, r_.categoryCount);
        return error;
    }

    std::string parameters()
    {
        r_.parameterCount = choice_->parameterCount;
        if (constant() && !tableGivesA_) {
            const std::string& text = *take("--discrimination-constant");
            double value = 0.0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
            // The engines take it in single precision: check that value.
            const float used = static_cast<float>(value);
            if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(used) || used == 0.0f)
                return "--discrimination-constant takes a non-zero number within single precision, not '" + text +
                       "'";
            r_.discriminationConstant = value;
        } else if (!constant()) {
            r_.discriminationFile = *take("--discrimination");
        }
        r_.difficultyFile = *take("--difficulty");
        if (cIndices())
            r_.cFile = *take("--c-indices");
        r_.scoreFile = *take("--scores");
        return {};
    }

    std::string missingCodes()
    {
        const std::string* missing = take("--missing");
        if (!missing)
            return {};
        std::string error;
        if (!ParseMissingCodes(*missing, options_.missing, error) || options_.missing.empty())
            return "--missing takes whole numbers separated by commas, as in 9 or -1,99, not '" + *missing + "'";
        const ModelCodes codes = CodesOf(choice_->kind, r_.categoryCount);
        if (!(error = MissingCodesFault(options_.missing, codes.lowest, codes.highest)).empty())
            return "--missing: " + error;
        return {};
    }

    std::string metric()
    {
        const std::string* metric = take("--metric");
        if (metric && *metric != "normal" && *metric != "logistic")
            return "--metric takes normal or logistic, not '" + *metric + "'";
        r_.metric = metric && *metric == "logistic" ? 1 : 0;
        return {};
    }

    std::string latent()
    {
        const int latentChoices =
            !!take("--nodes20") + !!take("--nodes51") + !!take("--nodes") + !!take("--estimates");
        if (latentChoices != 1)
            return "give exactly one of --nodes20, --nodes51, --nodes and --estimates";
        if (take("--node-count") && !take("--nodes"))
            return "--node-count goes only with --nodes";
        if (take("--nodes20")) {
            r_.latentFile = LocateShippedFile(kNodes20File);
            r_.nodeCount = 20;
        } else if (take("--nodes51")) {
            r_.latentFile = LocateShippedFile(kNodes51File);
            r_.nodeCount = 51;
        } else if (take("--nodes")) {
            if (!take("--node-count"))
                return "--nodes needs --node-count";
            r_.latentFile = *take("--nodes");
            return parseCount("--node-count", *take("--node-count"), 1, kLargestCount, r_.nodeCount);
        } else {
            r_.latentFile = *take("--estimates");
            r_.nodeCount = r_.subjectCount;
            r_.useEstimates = 1;
        }
        return {};
    }

    BatchOptions& options_;
    std::map<std::string, std::string>& flags_;
    FitRequest& r_;
    const ModelChoice* choice_ = nullptr;
    bool tableGivesA_ = false;  // a common discrimination's table gives each item's
};

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
    options.error = RunFlags(options, flags).fill();
    if (options.error.empty())
        options.error = fillOutputs(options, flags);
    return options;
}
