#pragma once

#include <memory>
#include <string>

#include "dialogs/ModelInputDlg.h"
#include "fit/FitEngine.h"

// What sets the five analysis runs apart; the sequence is one.
struct AnalysisRun {
    FitModel::Kind kind;
    int parameterCount;  // into the request
    // The model input dialog, with the run's preset.
    std::unique_ptr<CModelInputDlg> (*makeModelDialog)(CWnd* parent);
    FitEngineFunction engine;

    // Sizes with categories, and the score range from them.
    bool polytomous() const { return kind != FitModel::Kind::Binary; }
};

extern const AnalysisRun kOneParameterRun;
extern const AnalysisRun kTwoParametersRun;
extern const AnalysisRun kThreeParametersRun;
extern const AnalysisRun kGradedResponseRun;
extern const AnalysisRun kPartialCreditRun;

// Leads the user through one run over parent: the size dialog, the model
// dialog, the node count when a nodes file is chosen, the engine under the
// wait cursor, and the results. Cancel anywhere ends the run; a failed
// engine call is told in a message box, and so, before the results, are
// the warnings of one that succeeded.
void RunAnalysis(const AnalysisRun& run, CWnd* parent);
