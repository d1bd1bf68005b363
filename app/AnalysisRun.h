#pragma once

#include <memory>
#include <string>

#include "dialogs/ModelInputDlg.h"
#include "fit/FitRequest.h"
#include "fit/FitResult.h"
#include "fit/ReportFile.h"

// What sets the five analysis runs apart; the sequence is one.
struct AnalysisRun {
    bool polytomous;     // sizes with categories; the score range from them
    int parameterCount;  // into the request
    // The model input dialog, with the run's preset.
    std::unique_ptr<CModelInputDlg> (*makeModelDialog)(CWnd* parent);
    FitResult (*engine)(const FitRequest& request, ScoreTable* table);
};

extern const AnalysisRun kOneParameterRun;
extern const AnalysisRun kTwoParametersRun;
extern const AnalysisRun kThreeParametersRun;
extern const AnalysisRun kGradedResponseRun;
extern const AnalysisRun kPartialCreditRun;

// Leads the user through one run over parent: the size dialog, the model
// dialog, the node count when a nodes file is chosen, the engine under the
// wait cursor, and the results. Cancel anywhere ends the run; a failed
// engine call is told in a message box.
void RunAnalysis(const AnalysisRun& run, CWnd* parent);
