#pragma once

#include "framework/Wnd.h"

// Asks where to save a table as CSV, offering fileName, and writes text
// there; a file that cannot be written is said in a message box. The
// working directory, where the reports are, stays.
void SaveTableAsCsv(CWnd* owner, const CString& fileName, const CString& text);
