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

constexpr unsigned kSizeDialog = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU;
constexpr unsigned kBox = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

const DialogTemplate kMatrixSize{
    IDD_MATRIX_SIZE, 168, 79, "Size of Matrices", "MS Sans Serif", 10, kSizeDialog,
    {
        {IDC_SUBJECTS, ControlKind::Edit, "", 109, 15, 40, 14, kBox},
        {IDC_ITEMS, ControlKind::Edit, "", 109, 34, 40, 14, kBox},
        {IDOK, ControlKind::DefPushButton, "Continue", 111, 58, 50, 14, kButton},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 7, 58, 50, 14, kButton},
        {-1, ControlKind::LeftText, "Number of &Items:", 16, 34, 54, 8, 0},
        {-1, ControlKind::LeftText, "Number of &Subjects: ", 16, 15, 66, 8, 0},
        {-1, ControlKind::GroupBox, "", 7, 8, 154, 44, 0},
    }};

const DialogTemplate kCategorySize{
    IDD_CATEGORY_SIZE, 174, 99, "Size of Matrices", "MS Sans Serif", 10, kSizeDialog,
    {
        {IDOK, ControlKind::DefPushButton, "Continue", 117, 78, 50, 14, kButton},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 7, 78, 50, 14, kButton},
        {-1, ControlKind::GroupBox, "", 7, 7, 160, 66, 0},
        {-1, ControlKind::LeftText, "Number of &Subjects: ", 16, 15, 63, 8, 0},
        {IDC_SUBJECTS, ControlKind::Edit, "", 119, 15, 40, 14, kBox},
        {IDC_ITEMS, ControlKind::Edit, "", 119, 34, 40, 14, kBox},
        {IDC_CATEGORIES, ControlKind::Edit, "", 119, 53, 40, 14, kBox},
        {-1, ControlKind::LeftText, "Number of &Items:", 16, 35, 51, 8, 0},
        {-1, ControlKind::LeftText, "Number of &Response categories:", 16, 53, 100, 8, 0},
    }};

const DialogTemplate kNodeCount{
    IDD_NODE_COUNT, 160, 58, "Latent distribution assumed for estimating theta", "MS Sans Serif", 10, kSizeDialog,
    {
        {IDOK, ControlKind::DefPushButton, "Continue", 103, 37, 50, 14, kButton},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 7, 37, 50, 14, kButton},
        {-1, ControlKind::GroupBox, "", 7, 7, 146, 26, 0},
        {-1, ControlKind::LeftText, "Number of nodes used:", 13, 15, 74, 8, 0},
        {IDC_NODES, ControlKind::Edit, "", 107, 15, 40, 14, kBox},
    }};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    static const std::map<int, const DialogTemplate*> templates = {
        {IDD_ABOUTBOX, &kAboutBox},
        {IDD_MODEL_SELECT, &kModelSelect},
        {IDD_MATRIX_SIZE, &kMatrixSize},
        {IDD_CATEGORY_SIZE, &kCategorySize},
        {IDD_NODE_COUNT, &kNodeCount},
    };
    const auto found = templates.find(id);
    return found == templates.end() ? nullptr : found->second;
}
