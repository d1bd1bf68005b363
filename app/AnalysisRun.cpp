#include "app/AnalysisRun.h"

#include <memory>

#include "analysis/AnalysisLimits.h"
#include "app/MissingCodesDlg.h"
#include "dialogs/CategorySizeDlg.h"
#include "dialogs/MatrixSizeDlg.h"
#include "dialogs/NodeCountDlg.h"
#include "dialogs/OneParamDlg.h"
#include "dialogs/ThreeParamDlg.h"
#include "dialogs/TwoParamDlg.h"
#include "framework/WinApp.h"
#include "input/ScoreSheet.h"
#include "input/ShippedFiles.h"
#include "kernels/Workers.h"
#include "model/ModelRules.h"
#include "results/ResultsDlg.h"

namespace {

template <typename Dialog, int WithoutC = 0>
std::unique_ptr<CModelInputDlg> makeDialog(CWnd* parent)
{
    auto dialog = std::make_unique<Dialog>(parent);
    if constexpr (WithoutC != 0)
        dialog->m_bWithoutC = WithoutC;
    return dialog;
}

// The names and values of the model dialog that the run reads.
void copyModelDialog(const CModelInputDlg& dialog, FitRequest& request)
{
    request.difficultyFile = dialog.m_strDifficultyFile;
    request.scoreFile = dialog.m_strScoreFile;
    request.metric = dialog.m_nMetric;
    if (const auto* three = dynamic_cast<const CThreeParamDlg*>(&dialog)) {
        request.discriminationFile = three->m_strDiscriminationFile;
        if (three->m_bWithoutC != 1)
            request.cFile = three->m_strCFile;
    } else if (const auto* two = dynamic_cast<const CTwoParamDlg*>(&dialog)) {
        request.discriminationFile = two->m_strDiscriminationFile;
    } else if (const auto* one = dynamic_cast<const COneParamDlg*>(&dialog)) {
        request.discriminationConstant = one->m_dDiscriminationConstant;
    }
}

// The sizes of the data; false when the user cancels.
bool askSizes(const AnalysisRun& run, CWnd* parent, FitRequest& request)
{
    if (run.polytomous()) {
        CCategorySizeDlg sizes(parent);
        if (sizes.DoModal() != IDOK)
            return false;
        request.subjectCount = static_cast<std::int32_t>(sizes.m_nSubjects);
        request.itemCount = static_cast<std::int32_t>(sizes.m_nItems);
        request.categoryCount = static_cast<std::int32_t>(sizes.m_nCategories);
        return true;
    }
    CMatrixSizeDlg sizes(parent);
    if (sizes.DoModal() != IDOK)
        return false;
    request.subjectCount = static_cast<std::int32_t>(sizes.m_nSubjects);
    request.itemCount = static_cast<std::int32_t>(sizes.m_nItems);
    return true;
}

// The latent distribution chosen; false when the user cancels the node
// count, which would otherwise run on no node at all.
bool chooseLatent(const CModelInputDlg& dialog, CWnd* parent, FitRequest& request)
{
    switch (dialog.m_nLatentDist) {
    case 1: {
        CNodeCountDlg nodes(parent);
        if (nodes.DoModal() != IDOK)
            return false;
        request.latentFile = dialog.m_strNodesFile;
        request.nodeCount = nodes.m_nNodes;
        return true;
    }
    case -1:
        request.latentFile = dialog.m_strEstimatesFile;
        request.nodeCount = request.subjectCount;
        request.useEstimates = 1;
        return true;
    case 2:
        // A Browse may have left the working directory without it.
        request.latentFile = LocateShippedFile(kNodes51File);
        request.nodeCount = 51;
        return true;
    default:
        request.latentFile = LocateShippedFile(kNodes20File);
        request.nodeCount = 20;
        return true;
    }
}

// A score table of one column more than the items typed: the first holds
// the subjects' identifiers, as tables exported with them have it.
ScoreColumns scoreColumnsOf(const FitRequest& request)
{
    ScoreColumns columns;
    ScoreSheet sheet;
    TableFault fault;
    if (IsTableFileName(request.scoreFile) && OpenScoreSheet(request.scoreFile, {}, sheet, fault) == TableRead::Done &&
        sheet.items() == request.itemCount + 1)
        columns.id = sheet.header.names.front();
    return columns;
}

}  // namespace

const AnalysisRun kOneParameterRun{FitModel::Kind::Binary, 1, makeDialog<COneParamDlg>, FitBinaryModel};
const AnalysisRun kTwoParametersRun{FitModel::Kind::Binary, 2, makeDialog<CTwoParamDlg>, FitBinaryModel};
const AnalysisRun kThreeParametersRun{FitModel::Kind::Binary, 3, makeDialog<CThreeParamDlg>, FitBinaryModel};
const AnalysisRun kGradedResponseRun{FitModel::Kind::Graded, 3, makeDialog<CThreeParamDlg, 1>, FitGradedModel};
const AnalysisRun kPartialCreditRun{FitModel::Kind::PartialCredit, 1, makeDialog<COneParamDlg>,
                                    FitPartialCreditModel};

void RunAnalysis(const AnalysisRun& run, CWnd* parent)
{
    FitRequest request;
    if (!askSizes(run, parent, request))
        return;
    const std::unique_ptr<CModelInputDlg> model = run.makeModelDialog(parent);
    if (model->DoModal() != IDOK)
        return;
    copyModelDialog(*model, request);
    request.parameterCount = run.parameterCount;
    if (!chooseLatent(*model, parent, request))
        return;

    AnalysisRequest asked;
    asked.model = run.kind;
    asked.engine = run.engine;
    asked.fit = request;
    asked.missing = ProfileMissingCodes();
    asked.scoreColumns = scoreColumnsOf(request);
    const int categories = CategoriesOf(run.kind, request.categoryCount);
    asked.countItems = ItemCountsFit(request, categories, !asked.missing.empty());
    asked.countPairs = PairCountsFit(request, categories, !asked.missing.empty());
    asked.threads = ThreadCountFromEnvironment();
    auto analysis = std::make_shared<Analysis>(asked);
    AnalysisStatus status;
    {
        CWaitCursor wait;
        // The results read the reports back.
        status = Guarded([&] {
            const AnalysisStatus fitted = analysis->fit();
            return fitted == kAnalysisSuccess ? analysis->publish() : fitted;
        });
    }
    if (status != kAnalysisSuccess) {
        AfxMessageBox(analysis->describe(status, WorkingFolder()), MB_ICONEXCLAMATION);
        return;
    }
    // The results stand as computed; the user learns what in the input
    // looked wrong before reading them.
    if (!analysis->warnings().empty()) {
        std::string text;
        for (const FitWarning& warning : analysis->warnings())
            text += (text.empty() ? "" : "\n\n") + warning.message;
        AfxMessageBox(text, MB_ICONEXCLAMATION);
    }

    CResultsDlg results(parent);
    results.m_nCategoryCount = run.polytomous() ? request.categoryCount : 0;
    results.m_pRun = std::move(analysis);
    if (run.polytomous()) {
        results.m_nItemCount = request.itemCount;
        results.m_nScorePointCount = request.itemCount * (request.categoryCount - 1) + 1;
    }
    results.DoModal();
}
