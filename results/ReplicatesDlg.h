#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "framework/Dialog.h"
#include "stats/MonteCarlo.h"

// How many data sets to draw under the model for simulated p-values.
class CReplicatesDlg : public CDialog {
public:
    explicit CReplicatesDlg(CWnd* parent = nullptr);

    int m_nReplicates = 1000;
    // What is drawn, when not whole data sets.
    CString m_prompt;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};

// What a window asks for simulated p-values with: the replicates, and back
// the p-values, or nothing when the user cancelled.
using SimulateFunction = std::function<std::optional<MonteCarloResult>(std::uint64_t replicates)>;

// Asks for the replicates over parent and simulates; nothing when either
// is cancelled.
std::optional<MonteCarloResult> AskAndSimulate(const SimulateFunction& simulate, CWnd* parent);
