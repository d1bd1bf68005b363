#include "fit/RunSubjects.h"

#include "input/DataTable.h"
#include "input/ScoreCounter.h"
#include "model/ModelRules.h"

namespace {

// Counts what it passes on, so that a reading that failed part way is known.
class CountedSubjects : public SubjectSink {
public:
    explicit CountedSubjects(SubjectSink& to) : to_(to) {}
    void take(std::string_view id, const SubjectTotal& subject, const unsigned char* categories) override
    {
        ++taken;
        to_.take(id, subject, categories);
    }
    std::int64_t taken = 0;

private:
    SubjectSink& to_;
};

ScoreCount countFor(const RunRequest& request, const RunOutcome& run, SubjectSink& subjects)
{
    const FitModel& model = run.model;
    const ModelCodes codes = CodesOf(model.kind, model.items.categoryCount);
    ScoreCount count;  // no rows: only the subjects are wanted
    count.codes.lowest = codes.lowest;
    count.codes.highest = codes.highest;
    count.missing = request.missing;
    count.persons = &subjects;
    return count;
}

}  // namespace

FitResult ReadRunSubjects(const RunRequest& request, const RunOutcome& run, SubjectSink& subjects, TableFault& fault)
{
    CountedSubjects counted(subjects);
    ScoreCount count = countFor(request, run, counted);
    const std::string& path = request.fit.scoreFile;
    const int items = run.model.items.itemCount;
    if (!request.scoresAsTable && !IsTableFileName(path)) {
        // Simple numbers are scanned in order; a scan that stopped part way
        // cannot begin again without telling its subjects twice.
        if (CountSimpleScores(path, run.subjects, items, 0, count, request.threads))
            return kFitSuccess;
        if (counted.taken > 0)
            return kScoreFileError;
        return CountScores(path, run.subjects, items, 0, count) ? kFitSuccess : kScoreFileError;
    }
    ScoreSheet sheet;
    if (const FitResult opened =
            TableReadResult(OpenScoreSheet(path, request.scoreColumns, sheet, fault), kScoreFileError))
        return opened;
    std::int64_t read = 0;
    switch (CountSheetScores(sheet, 0, run.forms.active() || !request.missing.empty(), count, read, fault, 1)) {
    case SheetCount::NotOpened:
        return kScoreFileError;
    case SheetCount::Fault:
        return kTableError;
    case SheetCount::AnswersMissing:
        break;
    case SheetCount::Done:
        if (sheet.items() == items && read == run.subjects)
            return kFitSuccess;
        break;
    }
    fault = TableFault{path, 0, "", "the table has changed since the run"};
    return kTableSizeDiffers;
}
