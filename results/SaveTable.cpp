#include "results/SaveTable.h"

#include <fstream>

#include "framework/FileDialog.h"

void SaveTableAsCsv(CWnd* owner, const CString& fileName, const CString& text)
{
    CFileDialog chooser(FALSE, "csv", fileName.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR,
                        "CSV files (*.csv)|*.csv||", owner);
    chooser.m_title = "Save table as CSV";
    if (chooser.DoModal() != IDOK)
        return;
    std::ofstream file(chooser.GetPathName(), std::ios::binary);
    file << text;
    file.close();
    if (!file)
        AfxMessageBox("Cannot write \"" + chooser.GetPathName() + "\".", MB_ICONEXCLAMATION);
}
