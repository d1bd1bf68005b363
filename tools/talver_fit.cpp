// talver-fit: runs one fit analysis from the command line and leaves the
// report files OUT and OUTG in the current directory, as the application does.

#include <cstdio>
#include <string>

#include "fit/FitEngine.h"
#include "fit/ReportFile.h"
#include "tools/BatchOptions.h"

namespace {

constexpr int kUsageError = 64;

const char* const kHelp =
    "\n"
    "Predicts the frequency of every total score under an IRT model whose item\n"
    "parameters were calibrated elsewhere, counts the observed frequencies in the\n"
    "subjects' scores, and compares them with a chi-square. Writes the reports OUT\n"
    "and OUTG in the current directory and prints OUT.\n"
    "\n"
    "  --model MODEL          1pl, 2pl, 3pl (binary items, scores 0 and 1),\n"
    "                         grm (graded response), pcm (partial credit;\n"
    "                         category codes 1 to K)\n"
    "  --subjects N           number of subjects, 1 to 1000000\n"
    "  --items M              number of items, 1 to 1000000\n"
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
    "  --help                 this text\n"
    "\n"
    "Files hold numbers separated by white space. A value that cannot be read\n"
    "(the file ended, or the text is not a number) counts as 0, and so does every\n"
    "later value of that file.\n"
    "\n"
    "Exit status: 0 success; 1 to 5 the discrimination, difficulty, C-indices,\n"
    "score or latent file cannot be opened; 6 OUT or OUTG cannot be created;\n"
    "7 not enough memory; 64 a bad command line.\n";

std::string failure(FitResult result, const FitRequest& r)
{
    switch (result) {
    case kDiscriminationFileError:
        return "cannot open the discrimination file '" + r.discriminationFile + "'";
    case kDifficultyFileError:
        return "cannot open the difficulty file '" + r.difficultyFile + "'";
    case kCFileError:
        return "cannot open the C-indices file '" + r.cFile + "'";
    case kScoreFileError:
        return "cannot open the score file '" + r.scoreFile + "'";
    case kLatentFileError:
        return std::string("cannot open the ") + (r.useEstimates ? "estimates" : "nodes") +
               " file '" + r.latentFile + "'";
    case kReportFileError: {
        // Appending changes nothing, and tells which of the two is at fault.
        std::FILE* probe = std::fopen(kReportFile, "a");
        if (probe)
            std::fclose(probe);
        return std::string("cannot create the report file '") +
               (probe ? kGraphReportFile : kReportFile) + "' in the current directory";
    }
    case kOutOfMemory:
        return "not enough memory";
    case kFitSuccess:
        break;
    }
    return "failed with result " + std::to_string(static_cast<int>(result));
}

FitResult run(BatchModel model, const FitRequest& request)
{
    switch (model) {
    case BatchModel::Graded:
        return FitGradedModel(request);
    case BatchModel::PartialCredit:
        return FitPartialCreditModel(request);
    default:
        return FitBinaryModel(request);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const BatchOptions options = ParseBatchOptions(argc, argv);
    if (options.help) {
        std::fputs(kBatchUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "talver-fit: %s\n%s", options.error.c_str(), kBatchUsage);
        return kUsageError;
    }

    const FitResult result = run(options.model, options.request);
    if (result != kFitSuccess) {
        std::fprintf(stderr, "talver-fit: %s\n", failure(result, options.request).c_str());
        return result;
    }
    if (std::FILE* out = std::fopen(kReportFile, "r")) {
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, out)) > 0;)
            std::fwrite(block, 1, n, stdout);
        std::fclose(out);
    }
    return 0;
}
