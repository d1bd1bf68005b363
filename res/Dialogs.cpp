// The program's dialog templates: dialog units, controls in tab order.

#include <map>

#include "framework/Afx.h"
#include "framework/Resources.h"
#include "res/resource.h"

namespace {

constexpr unsigned kButton = WS_TABSTOP;

const DialogTemplate kAboutBox{
    IDD_ABOUTBOX, 205, 93, "About TALVER", "MS Sans Serif", 10, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
    {
        {-1, ControlKind::Icon, "128", 7, 7, 20, 20, 0},
        {-1, ControlKind::CenterText, "TALVER Version 1.1 for Win95/98/NT", 41, 7, 120, 8, SS_LEFTNOWORDWRAP},
        {-1, ControlKind::CenterText, "Fit of item response models", 41, 26, 120, 8, SS_LEFTNOWORDWRAP},
        {-1, ControlKind::CenterText, "to the subjects' total scores", 41, 39, 120, 8, SS_LEFTNOWORDWRAP},
        {-1, ControlKind::CenterText, "by a chi-square", 41, 58, 120, 8, SS_LEFTNOWORDWRAP},
        {-1, ControlKind::CenterText, "January, 2001", 41, 71, 120, 8, SS_LEFTNOWORDWRAP},
        {IDOK, ControlKind::DefPushButton, "OK", 166, 72, 32, 14, kButton | WS_GROUP},
    }};

const DialogTemplate kModelSelect{
    IDD_MODEL_SELECT, 235, 122, "Windows 95/NT TALVER", "MS Sans Serif", 10,
    DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    {
        {IDC_ABOUT, ControlKind::DefPushButton, "About TALVER", 7, 101, 61, 14, kButton},
        {IDCANCEL, ControlKind::PushButton, "Quit", 168, 101, 60, 14, kButton},
        {IDC_ONE_PARAMETER, ControlKind::PushButton, "1 parameter", 15, 25, 61, 15, kButton},
        {IDC_TWO_PARAMETERS, ControlKind::PushButton, "2 parameters", 87, 25, 61, 14, kButton},
        {IDC_THREE_PARAMETERS, ControlKind::PushButton, "3 parameters", 159, 25, 61, 14, kButton},
        {-1, ControlKind::GroupBox, "Binary Response Models", 7, 7, 221, 42, 0},
        {-1, ControlKind::GroupBox, "Polytomous Response Models", 7, 55, 221, 39, 0},
        {IDC_GRADED_RESPONSE, ControlKind::PushButton, "Graded Response Model", 15, 72, 90, 14, kButton},
        {IDC_PARTIAL_CREDIT, ControlKind::PushButton, "Partial Credit Model", 126, 72, 94, 14, kButton},
    }};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    static const std::map<int, const DialogTemplate*> templates = {
        {IDD_ABOUTBOX, &kAboutBox},
        {IDD_MODEL_SELECT, &kModelSelect},
    };
    const auto found = templates.find(id);
    return found == templates.end() ? nullptr : found->second;
}
