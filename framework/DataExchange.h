#pragma once

#include "framework/Afx.h"

class CWnd;

// Carries one reading or writing of a dialog's boxes. Fail() ends a reading
// at the box last prepared: focus there, whole text selected.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* PrepareEditCtrl(int id);
    [[noreturn]] void Fail();

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    int m_idLastControl = 0;
};

// Binding of a program object to a control, for the dialog's lifetime.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// Binding of fields to edit boxes. Reading converts and, on failure, shows
// the framework's message and fails the exchange.
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, UINT& value);
void DDX_Text(CDataExchange* pDX, int id, double& value);
void DDX_Text(CDataExchange* pDX, int id, float& value);
void DDX_Text(CDataExchange* pDX, int id, CString& value);

// Range and length validation of the field just bound.
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minimum, int maximum);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minimum, UINT maximum);
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars);

// Text conversions of the data exchange, exposed for their tests.
namespace afx {
// Blanks and tabs around a whole decimal integer; a value of 0 only when
// the first character after the blanks is the digit 0. Values beyond 32
// bits saturate, so that the range test refuses them.
bool ParseInteger(const CString& text, bool isUnsigned, long long& value);
// Blanks and tabs around one decimal real (sign, digits, point, exponent);
// zero only when the first character after the blanks is the digit 0.
bool ParseReal(const CString& text, double& value);
CString FormatReal(double value, int precision);
}  // namespace afx
