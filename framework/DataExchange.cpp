#include "framework/DataExchange.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <limits>
#include <type_traits>

#include "framework/Wnd.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The number between the blanks and tabs around it.
std::string trimmed(const CString& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

CString replaceArguments(CString text, const CString& first, const CString& second = {})
{
    const auto replace = [&text](const char* marker, const CString& value) {
        const std::size_t at = text.find(marker);
        if (at != CString::npos)
            text.replace(at, 2, value);
    };
    replace("%1", first);
    replace("%2", second);
    return text;
}

void failWith(CDataExchange* pDX, const CString& message)
{
    AfxMessageBox(message, MB_ICONEXCLAMATION);
    pDX->Fail();
}

}  // namespace

namespace afx {

bool ParseInteger(const CString& text, bool isUnsigned, long long& value)
{
    const std::string number = trimmed(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
        negative = number[i] == '-';
        ++i;
    }
    if (isUnsigned && negative)
        return false;
    if (i == number.size())
        return false;
    long long parsed = 0;
    for (; i < number.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(number[i])))
            return false;
        parsed = std::min(parsed * 10 + (number[i] - '0'), 1LL << 40);
    }
    if (parsed == 0 && number[0] != '0')
        return false;
    value = negative ? -parsed : parsed;
    return true;
}

bool ParseReal(const CString& text, double& value)
{
    const std::string number = trimmed(text);
    std::size_t i = 0;
    const auto digitsFrom = [&number](std::size_t& at) {
        const std::size_t start = at;
        while (at < number.size() && std::isdigit(static_cast<unsigned char>(number[at])))
            ++at;
        return at - start;
    };
    if (i < number.size() && (number[i] == '+' || number[i] == '-'))
        ++i;
    std::size_t digits = digitsFrom(i);
    if (i < number.size() && number[i] == '.') {
        ++i;
        digits += digitsFrom(i);
    }
    if (digits == 0)
        return false;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            ++i;
        if (digitsFrom(i) == 0)
            return false;
    }
    if (i != number.size())
        return false;
    // from_chars takes no plus sign, and reads in any locale.
    const std::size_t start = number[0] == '+' ? 1 : 0;
    double parsed = 0.0;
    const auto [end, error] = std::from_chars(number.data() + start, number.data() + number.size(), parsed);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return false;
    if (parsed == 0.0 && number[0] != '0')
        return false;
    value = parsed;
    return true;
}

CString FormatReal(double value, int precision)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", precision, value);
    return text;
}

}  // namespace afx

CWnd* CDataExchange::PrepareEditCtrl(int id)
{
    m_idLastControl = id;
    return m_pDlgWnd->GetDlgItem(id);
}

void CDataExchange::Fail()
{
    if (CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl)) {
        control->SetFocus();
        control->SetSel(0, -1);
    }
    throw this;
}

namespace {

// Integers of either signedness: stored clamped to the field's type, so a
// number beyond it reaches the range test.
template <typename Integer>
void exchangeInteger(CDataExchange* pDX, int id, Integer& value, const char* message)
{
    CWnd* box = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        box->SetWindowText(std::to_string(value));
        return;
    }
    long long parsed = 0;
    if (!afx::ParseInteger(box->GetWindowText(), std::is_unsigned_v<Integer>, parsed))
        failWith(pDX, message);
    value = static_cast<Integer>(std::clamp<long long>(parsed, std::numeric_limits<Integer>::min(),
                                                       std::numeric_limits<Integer>::max()));
}

void checkRange(CDataExchange* pDX, bool inRange, long long minimum, long long maximum)
{
    if (pDX->m_bSaveAndValidate && !inRange)
        failWith(pDX, replaceArguments("Please enter an integer between %1 and %2.", std::to_string(minimum),
                                       std::to_string(maximum)));
}

}  // namespace

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (!control.IsWindow())
        control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int id, int& value)
{
    exchangeInteger(pDX, id, value, "Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value)
{
    exchangeInteger(pDX, id, value, "Please enter a positive integer.");
}

void DDX_Text(CDataExchange* pDX, int id, double& value)
{
    CWnd* box = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        box->SetWindowText(afx::FormatReal(value, 15));
        return;
    }
    if (!afx::ParseReal(box->GetWindowText(), value))
        failWith(pDX, "Please enter a number.");
}

void DDX_Text(CDataExchange* pDX, int id, float& value)
{
    CWnd* box = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        box->SetWindowText(afx::FormatReal(value, 6));
        return;
    }
    double parsed = 0.0;
    if (!afx::ParseReal(box->GetWindowText(), parsed) || std::abs(parsed) > std::numeric_limits<float>::max())
        failWith(pDX, "Please enter a number.");
    value = static_cast<float>(parsed);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value)
{
    CWnd* box = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = box->GetWindowText();
    else
        box->SetWindowText(value);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minimum, int maximum)
{
    checkRange(pDX, value >= minimum && value <= maximum, minimum, maximum);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minimum, UINT maximum)
{
    checkRange(pDX, value >= minimum && value <= maximum, minimum, maximum);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars)
{
    if (!pDX->m_bSaveAndValidate) {
        if (CWnd* box = pDX->m_pDlgWnd->GetDlgItem(pDX->m_idLastControl))
            box->LimitText(maxChars);
        return;
    }
    // Characters, not the bytes of their UTF-8 form.
    const auto characters = std::count_if(value.begin(), value.end(),
                                          [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    if (characters > maxChars)
        failWith(pDX, replaceArguments("Please enter no more than %1 characters.", std::to_string(maxChars)));
}
