#pragma once

#include <vector>

#include "framework/Dialog.h"

// What the three model input dialogs share: the metric and latent-
// distribution area, the Browse buttons and the Continue step. Each dialog
// supplies its bindings, its Browse titles and fields, the note of its
// nodes-file option and its Continue checks.
class CModelInputDlg : public CDialog {
public:
    int m_nLatentDist = 0;     // 0: 20 nodes, 2: 51 nodes, 1: nodes file, -1: estimates
    int m_nMetric = 0;         // 0 normal, 1 logistic
    int m_bUseLatentDist = 0;  // 0 exactly while the estimates replace the latent distribution
    CString m_strDifficultyFile;
    CString m_strScoreFile;
    CString m_strNodesFile;
    CString m_strEstimatesFile;

protected:
    CModelInputDlg(UINT templateId, CWnd* parent);

    struct Browse {
        int button;
        const char* title;
        CString* field;
    };
    virtual std::vector<Browse> BrowseButtons() = 0;
    // The note shown by the nodes-file option, and whether only while no
    // nodes file is named.
    virtual const char* NodesNote() const;
    virtual bool NoteOnlyWithoutName() const { return false; }
    // The message of the first Continue check that fails, or null.
    virtual const char* FailedCheck() const = 0;

    // The checks the dialogs have in common.
    const char* NodesFileCheck(const char* message) const;
    const char* EstimatesFileCheck() const;

    BOOL OnInitDialog() override;
    void OnOK() override;

    afx_msg void OnNormalMetric();
    afx_msg void OnLogisticMetric();
    afx_msg void On20Nodes();
    afx_msg void On51Nodes();
    afx_msg void OnNodesFile();
    afx_msg void OnUseEstimates();
    afx_msg void OnBrowseDiscrimination();
    afx_msg void OnBrowseDifficulty();
    afx_msg void OnBrowseC();
    afx_msg void OnBrowseScores();
    afx_msg void OnBrowseNodes();
    afx_msg void OnBrowseEstimates();

    DECLARE_MESSAGE_MAP()

private:
    void BrowseFor(int button);
    void EnableNodesFile(BOOL enable);
};
