#include "fit/FitResult.h"

#include <filesystem>

std::string DescribeFitResult(FitResult result, const FitRequest& request, const std::string& folder)
{
    const auto quoted = [](const std::string& name) { return "\"" + name + "\""; };
    const auto cannotOpen = [&](const char* what, const std::string& name) {
        const bool whole = std::filesystem::path(name).is_absolute();
        return "Cannot open the " + std::string(what) + " file " + quoted(name) + (whole ? "" : " in " + folder) + ".";
    };
    const auto outOfRange = [&](const char* what, const std::string& name) {
        return "The " + std::string(what) + " file " + quoted(name) +
               " holds a value beyond the range of single precision (about 3.4e38).";
    };
    switch (result) {
    case kDiscriminationFileError:
        return cannotOpen("discrimination", request.discriminationFile);
    case kDifficultyFileError:
        return cannotOpen("difficulty", request.difficultyFile);
    case kCFileError:
        return cannotOpen("C", request.cFile);
    case kScoreFileError:
        return cannotOpen("scores", request.scoreFile);
    case kLatentFileError:
        return cannotOpen("latent distribution", request.latentFile);
    case kReportFileError:
        return "Cannot write the report files OUT and OUTG in " + folder + ".";
    case kOutOfMemory:
        return "Not enough memory for this run.";
    case kDiscriminationValueError:
        if (request.parameterCount == 1)
            return "The discrimination index is beyond the range of single precision (about 3.4e38).";
        return outOfRange("discrimination", request.discriminationFile);
    case kDifficultyValueError:
        return outOfRange("difficulty", request.difficultyFile);
    case kCValueError:
        return outOfRange("C", request.cFile);
    case kLatentValueError:
        return outOfRange("latent distribution", request.latentFile);
    case kResultOutOfRange:
        return "The expected frequencies or the chi-square of this run are beyond the range of single precision. "
               "Check the C indices and the weights of the latent distribution, and whether a score was "
               "observed that the model all but rules out.";
    case kTableError:
        return "A table of the run cannot be read as one.";
    case kTableSizeDiffers:
        return "The score table's numbers of subjects and items are not those given.";
    case kFitSuccess:
        break;
    }
    return "The run failed with result " + std::to_string(static_cast<int>(result)) + ".";
}
