#include "fit/FitResult.h"

#include <filesystem>
#include <system_error>

std::string WorkingFolder()
{
    std::error_code error;
    return std::filesystem::current_path(error).string();
}

FileRole DifficultyFileRole(FitModel::Kind model)
{
    return model == FitModel::Kind::Graded          ? FileRole::Thresholds
           : model == FitModel::Kind::PartialCredit ? FileRole::Steps
                                                    : FileRole::Difficulty;
}

std::string DescribeFitResult(FitResult result, const FitRequest& request, FitModel::Kind model,
                              const std::string& folder)
{
    const auto quoted = [](const std::string& name) { return "\"" + name + "\""; };
    const auto cannotOpen = [&](FileRole what, const std::string& name) {
        const bool whole = std::filesystem::path(name).is_absolute();
        return "Cannot open the " + std::string(FileRoleText(what)) + " file " + quoted(name) +
               (whole ? "" : " in " + folder) + ".";
    };
    const auto outOfRange = [&](FileRole what, const std::string& name) {
        return "The " + std::string(FileRoleText(what)) + " file " + quoted(name) +
               " holds a value beyond the range of single precision (about 3.4e38).";
    };
    const FileRole latent = request.useEstimates == 1 ? FileRole::Estimates : FileRole::Nodes;
    switch (result) {
    case kDiscriminationFileError:
        return cannotOpen(FileRole::Discrimination, request.discriminationFile);
    case kDifficultyFileError:
        return cannotOpen(DifficultyFileRole(model), request.difficultyFile);
    case kCFileError:
        return cannotOpen(FileRole::CIndices, request.cFile);
    case kScoreFileError:
        return cannotOpen(FileRole::Scores, request.scoreFile);
    case kLatentFileError:
        return cannotOpen(latent, request.latentFile);
    case kReportFileError:
        return "Cannot write the report files OUT and OUTG in " + folder + ".";
    case kOutOfMemory:
        return "Not enough memory for this run.";
    case kDiscriminationValueError:
        if (request.parameterCount == 1)
            return "The discrimination index is beyond the range of single precision (about 3.4e38).";
        return outOfRange(FileRole::Discrimination, request.discriminationFile);
    case kDifficultyValueError:
        return outOfRange(DifficultyFileRole(model), request.difficultyFile);
    case kCValueError:
        return outOfRange(FileRole::CIndices, request.cFile);
    case kLatentValueError:
        return outOfRange(latent, request.latentFile);
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

FitResult TableReadResult(TableRead read, FitResult openError)
{
    return read == TableRead::NotOpened ? openError : read == TableRead::Fault ? kTableError : kFitSuccess;
}
