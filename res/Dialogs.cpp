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

constexpr unsigned kOff = WS_DISABLED;
constexpr unsigned kRadio = 0;
constexpr unsigned kFirstRadio = WS_GROUP;

const DialogTemplate kThreeParam{
    IDD_THREE_PARAM, 288, 217, "IRT Model: 3 parameters", "MS Sans Serif", 10, kSizeDialog,
    {
        {IDC_DISCRIMINATION_FILE, ControlKind::Edit, "", 91, 20, 140, 14, kBox},
        {IDC_DIFFICULTY_FILE, ControlKind::Edit, "", 91, 40, 140, 14, kBox},
        {IDC_C_FILE, ControlKind::Edit, "", 91, 60, 140, 14, kBox},
        {IDC_SCORE_FILE, ControlKind::Edit, "", 91, 81, 140, 14, kBox},
        {IDOK, ControlKind::DefPushButton, "Continue", 239, 196, 42, 14, kButton},
        {IDC_BROWSE_DISCRIMINATION, ControlKind::PushButton, "Browse", 239, 20, 37, 14, kButton},
        {IDC_BROWSE_DIFFICULTY, ControlKind::PushButton, "Browse", 239, 40, 37, 14, kButton},
        {IDC_BROWSE_C, ControlKind::PushButton, "Browse", 239, 60, 37, 14, kButton},
        {IDC_BROWSE_SCORES, ControlKind::PushButton, "Browse", 239, 81, 37, 14, kButton},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 239, 180, 42, 14, kButton},
        {-1, ControlKind::LeftText, "File name with \n Discrimination indices", 12, 20, 75, 17, 0},
        {-1, ControlKind::LeftText, "File name with Dificulty\n indices", 12, 40, 75, 18, 0},
        {IDC_C_LABEL, ControlKind::LeftText, "File name with C indices", 12, 60, 76, 8, 0},
        {-1, ControlKind::LeftText, "File name with raw item\nscores (Subjects X items)", 12, 81, 79, 17, 0},
        {-1, ControlKind::GroupBox, "File names ", 6, 7, 275, 122, 0},
        {-1, ControlKind::GroupBox, "Constant parameter", 6, 180, 225, 30, 0},
        {IDC_NORMAL_METRIC, ControlKind::RadioButton, "Normal metric", 91, 193, 56, 10, kFirstRadio},
        {IDC_LOGISTIC_METRIC, ControlKind::RadioButton, "Logistic metric", 169, 193, 56, 10, kRadio},
        {-1, ControlKind::LeftText, "Define the metric", 12, 193, 57, 8, 0},
        {IDC_LATENT_GROUP, ControlKind::GroupBox, "Latent distribution assumed for estimating theta", 6, 134, 275, 41, 0},
        {IDC_NODES20, ControlKind::RadioButton, "Standard normal with 20 nodes", 12, 146, 104, 10, kFirstRadio},
        {IDC_NODES_FILE_OPTION, ControlKind::RadioButton, "File name with estimated latent distribution:", 12, 157, 138, 10, kRadio},
        {IDC_NODES_FILE, ControlKind::Edit, "", 154, 157, 77, 14, kBox | kOff},
        {IDC_BROWSE_NODES, ControlKind::PushButton, "Browse", 239, 157, 37, 14, kButton | kOff},
        {IDC_NODES51, ControlKind::RadioButton, "Standard normal with 51 nodes", 130, 146, 101, 9, kRadio},
        {IDC_ESTIMATES_LABEL, ControlKind::LeftText, "File name with \nsubjects' estimates", 26, 105, 65, 17, kOff},
        {IDC_ESTIMATES_FILE, ControlKind::Edit, "", 91, 105, 140, 14, kBox | kOff},
        {IDC_BROWSE_ESTIMATES, ControlKind::PushButton, "Browse", 239, 105, 37, 14, kButton | kOff},
        {IDC_USE_ESTIMATES, ControlKind::CheckBox, "", 12, 105, 8, 8, WS_TABSTOP},
    }};

const DialogTemplate kTwoParam{
    IDD_TWO_PARAM, 291, 186, "IRT Model: 2 parameters", "MS Sans Serif", 10, kSizeDialog,
    {
        {IDC_DISCRIMINATION_FILE, ControlKind::Edit, "", 92, 19, 139, 13, kBox},
        {IDC_DIFFICULTY_FILE, ControlKind::Edit, "", 92, 40, 139, 13, kBox},
        {IDC_SCORE_FILE, ControlKind::Edit, "", 92, 60, 139, 13, kBox},
        {IDOK, ControlKind::DefPushButton, "Continue", 239, 166, 45, 13, kButton},
        {IDC_BROWSE_DISCRIMINATION, ControlKind::PushButton, "Browse", 239, 19, 37, 13, kButton},
        {IDC_BROWSE_DIFFICULTY, ControlKind::PushButton, "Browse", 239, 40, 37, 13, kButton},
        {IDC_BROWSE_SCORES, ControlKind::PushButton, "Browse", 239, 60, 37, 13, kButton},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 239, 151, 45, 13, kButton},
        {-1, ControlKind::LeftText, "File name with \n Discrimination indices", 14, 19, 70, 22, 0},
        {-1, ControlKind::LeftText, "File name with Dificulty\n indices", 14, 40, 71, 18, 0},
        {-1, ControlKind::LeftText, "File name with raw item\nscores (Subjects X items)", 14, 60, 78, 18, 0},
        {-1, ControlKind::GroupBox, "File names ", 9, 7, 275, 93, 0},
        {-1, ControlKind::GroupBox, "Constant parameter", 7, 151, 224, 28, 0},
        {IDC_NORMAL_METRIC, ControlKind::RadioButton, "Normal metric", 92, 164, 56, 12, kFirstRadio},
        {IDC_LOGISTIC_METRIC, ControlKind::RadioButton, "Logistic metric", 169, 164, 55, 12, kRadio},
        {-1, ControlKind::LeftText, "Define the metric", 23, 164, 54, 10, 0},
        {IDC_LATENT_GROUP, ControlKind::GroupBox, "Latent distribution assumed for theta", 7, 104, 277, 42, 0},
        {IDC_NODES_FILE, ControlKind::Edit, "", 152, 128, 79, 14, kBox | kOff},
        {IDC_BROWSE_NODES, ControlKind::PushButton, "Browse", 239, 128, 37, 14, kButton | kOff},
        {IDC_ESTIMATES_LABEL, ControlKind::LeftText, "File name with \nsubjects' estimates", 25, 81, 67, 15, kOff},
        {IDC_ESTIMATES_FILE, ControlKind::Edit, "", 92, 81, 139, 14, kBox | kOff},
        {IDC_BROWSE_ESTIMATES, ControlKind::PushButton, "Browse", 239, 81, 37, 14, kButton | kOff},
        {IDC_USE_ESTIMATES, ControlKind::CheckBox, "", 14, 81, 8, 10, WS_TABSTOP},
        {IDC_NODES20, ControlKind::RadioButton, "Standard normal with 20 nodes", 14, 115, 100, 10, kFirstRadio},
        {IDC_NODES_FILE_OPTION, ControlKind::RadioButton, "File name with estimated latent distribution:", 14, 128, 138, 10, kRadio},
        {IDC_NODES51, ControlKind::RadioButton, "Standard normal with 51 nodes", 127, 115, 104, 10, kRadio},
    }};

const DialogTemplate kOneParam{
    IDD_ONE_PARAM, 290, 176, "IRT Model: 1 parameter", "MS Sans Serif", 10, kSizeDialog,
    {
        {IDC_DIFFICULTY_FILE, ControlKind::Edit, "", 92, 24, 139, 14, kBox},
        {IDC_DISCRIMINATION_CONSTANT, ControlKind::Edit, "", 77, 146, 30, 12, kBox},
        {IDC_SCORE_FILE, ControlKind::Edit, "", 92, 45, 139, 14, kBox},
        {IDOK, ControlKind::DefPushButton, "Continue", 239, 155, 45, 14, kButton},
        {IDC_BROWSE_DIFFICULTY, ControlKind::PushButton, "Browse", 239, 24, 37, 14, kButton},
        {IDC_BROWSE_SCORES, ControlKind::PushButton, "Browse", 239, 45, 37, 14, kButton},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 239, 134, 45, 14, kButton},
        {-1, ControlKind::LeftText, "File name with \n Dificulty indices", 13, 24, 70, 22, 0},
        {-1, ControlKind::LeftText, "Discrimination index", 13, 146, 60, 13, 0},
        {-1, ControlKind::LeftText, "File name with raw item\nscores (Subjects X items)", 13, 45, 79, 18, 0},
        {-1, ControlKind::GroupBox, "File names ", 7, 7, 277, 76, 0},
        {-1, ControlKind::GroupBox, "Constant parameters ", 7, 134, 224, 35, 0},
        {IDC_NORMAL_METRIC, ControlKind::RadioButton, "Normal metric", 174, 146, 54, 12, kFirstRadio},
        {IDC_LOGISTIC_METRIC, ControlKind::RadioButton, "Logistic metric", 174, 155, 54, 12, kRadio},
        {-1, ControlKind::LeftText, "Define the metric:", 118, 146, 54, 11, 0},
        {IDC_LATENT_GROUP, ControlKind::GroupBox, "Latent distribution assumed for theta", 7, 88, 277, 41, 0},
        {IDC_NODES_FILE, ControlKind::Edit, "", 153, 112, 78, 14, kBox | kOff},
        {IDC_BROWSE_NODES, ControlKind::PushButton, "Browse", 239, 111, 37, 14, kButton | kOff},
        {IDC_USE_ESTIMATES, ControlKind::CheckBox, "", 13, 65, 8, 8, WS_TABSTOP},
        {IDC_ESTIMATES_LABEL, ControlKind::LeftText, "File name with \nsubjects' estimates", 24, 65, 68, 16, kOff},
        {IDC_ESTIMATES_FILE, ControlKind::Edit, "", 92, 65, 139, 14, kBox | kOff},
        {IDC_BROWSE_ESTIMATES, ControlKind::PushButton, "Browse", 239, 65, 37, 14, kButton | kOff},
        {IDC_NODES51, ControlKind::RadioButton, "Standard normal with 51 nodes", 126, 99, 105, 10, kFirstRadio},
        {IDC_NODES20, ControlKind::RadioButton, "Standard normal with 20 nodes", 13, 99, 105, 10, kRadio},
        {IDC_NODES_FILE_OPTION, ControlKind::RadioButton, "File name with estimated latent distribution:", 13, 111, 140, 10, kRadio},
    }};

constexpr unsigned kReadOnly = WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL;

const DialogTemplate kResults{
    IDD_RESULTS, 300, 226, "Win TALVER Results", "Courier", 10, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
    {
        {IDOK, ControlKind::DefPushButton, "OK", 7, 205, 50, 14, kButton},
        {IDC_GRAPH_AREA, ControlKind::LeftText, "", 158, 17, 127, 139, 0},
        {IDC_FREQUENCIES, ControlKind::ListBox, "", 15, 17, 115, 139,
         WS_BORDER | WS_VSCROLL | LBS_NOSEL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_TABSTOP},
        {-1, ControlKind::LeftText, "Chi-Square", 15, 164, 56, 8, 0},
        {IDC_CHI_SQUARE, ControlKind::Edit, "", 78, 164, 52, 14, kReadOnly},
        {IDC_MIN_SCORE, ControlKind::Edit, "", 158, 164, 16, 14, kReadOnly | WS_BORDER},
        {IDC_MAX_SCORE, ControlKind::Edit, "", 268, 164, 17, 14, kReadOnly | WS_BORDER},
        {-1, ControlKind::GroupBox, "Frequencies", 7, 7, 131, 181, 0},
        {-1, ControlKind::GroupBox, "Graph", 149, 7, 144, 212, 0},
        {-1, ControlKind::LeftText, "Red line:observed", 190, 194, 75, 8, SS_LEFTNOWORDWRAP},
        {-1, ControlKind::LeftText, "Blue line:expected", 186, 205, 72, 8, 0},
        {-1, ControlKind::LeftText, "min score", 158, 180, 36, 8, 0},
        {-1, ControlKind::LeftText, "max score", 249, 180, 36, 8, 0},
    }};

// The item fit of a run, the local dependence of its pairs, and the wait
// for either.
const DialogTemplate kItemFit{
    IDD_ITEM_FIT, 330, 318, "Item fit", "MS Sans Serif", 10, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
    {
        {IDC_ITEM_SUMMARY, ControlKind::LeftText, "", 7, 7, 316, 18, 0},
        {IDC_ITEM_LIST, ControlKind::ListView, "", 7, 27, 316, 126,
         LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP},
        {IDC_ITEM_CHART, ControlKind::LeftText, "", 7, 160, 316, 128, 0},
        {-1, ControlKind::LeftText, "Red: observed, blue: expected", 7, 297, 150, 8, SS_LEFTNOWORDWRAP},
        {IDC_SIMULATE, ControlKind::PushButton, "Simulate p-values...", 170, 297, 90, 14, kButton},
        {IDOK, ControlKind::DefPushButton, "Close", 273, 297, 50, 14, kButton},
    }};

const DialogTemplate kLocalDependence{
    IDD_LOCAL_DEPENDENCE, 555, 246, "Local dependence", "MS Sans Serif", 10, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
    {
        {IDC_PAIR_SUMMARY, ControlKind::LeftText, "", 7, 7, 541, 18, 0},
        {IDC_PAIR_MAP, ControlKind::LeftText, "", 7, 27, 205, 190, 0},
        {IDC_PAIR_LIST, ControlKind::ListView, "", 218, 27, 330, 190,
         LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP},
        {-1, ControlKind::LeftText, "Warm: together more than the model says; cool: less; outlined: flagged", 7, 225,
         300, 8, SS_LEFTNOWORDWRAP},
        {IDC_SIMULATE, ControlKind::PushButton, "Simulate p-values...", 398, 225, 90, 14, kButton},
        {IDOK, ControlKind::DefPushButton, "Close", 498, 225, 50, 14, kButton},
    }};

// Every subject's person fit: the histogram of lz* and the answers of the
// subject selected above the list of them all.
const DialogTemplate kPersonFit{
    IDD_PERSON_FIT, 600, 392, "Person fit", "MS Sans Serif", 10, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
    {
        {IDC_PERSON_SUMMARY, ControlKind::LeftText, "", 7, 7, 586, 18, 0},
        {-1, ControlKind::LeftText, "Estimator:", 7, 30, 38, 8, 0},
        {IDC_ESTIMATOR_WLE, ControlKind::RadioButton, "wle", 48, 29, 36, 10, kFirstRadio},
        {IDC_ESTIMATOR_ML, ControlKind::RadioButton, "ml", 88, 29, 36, 10, kRadio},
        {IDC_ESTIMATOR_MAP, ControlKind::RadioButton, "map", 128, 29, 36, 10, kRadio},
        {IDC_ESTIMATOR_EAP, ControlKind::RadioButton, "eap", 168, 29, 36, 10, kRadio},
        {IDC_PERSON_HISTOGRAM, ControlKind::LeftText, "", 7, 44, 290, 160, 0},
        {IDC_PERSON_RESPONSE, ControlKind::LeftText, "", 303, 44, 290, 160, 0},
        {IDC_PERSON_LIST, ControlKind::ListView, "", 7, 210, 586, 152,
         LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP},
        {IDC_SAVE_TABLE, ControlKind::PushButton, "Save table...", 377, 370, 60, 14, kButton},
        {IDC_SIMULATE, ControlKind::PushButton, "Simulate p-values...", 445, 370, 90, 14, kButton},
        {IDOK, ControlKind::DefPushButton, "Close", 543, 370, 50, 14, kButton},
    }};

const DialogTemplate kReplicates{
    IDD_REPLICATES, 200, 62, "Simulate p-values", "MS Sans Serif", 10, kSizeDialog,
    {
        {IDC_REPLICATES_PROMPT, ControlKind::LeftText, "Data sets to draw under the model:", 7, 10, 120, 8, 0},
        {IDC_REPLICATES, ControlKind::Edit, "", 133, 8, 60, 14, kBox},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 7, 41, 50, 14, kButton},
        {IDOK, ControlKind::DefPushButton, "Simulate", 143, 41, 50, 14, kButton},
    }};

const DialogTemplate kMissingCodes{
    IDD_MISSING_CODES, 230, 76, "Missing codes", "MS Sans Serif", 10, kSizeDialog,
    {
        {-1, ControlKind::LeftText, "Codes of answers not given, such as 9 or -1,99;", 7, 7, 216, 8, 0},
        {-1, ControlKind::LeftText, "each subject is then fitted on the items it answered:", 7, 17, 216, 8, 0},
        {IDC_MISSING_CODES, ControlKind::Edit, "", 7, 31, 216, 14, kBox},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 7, 55, 50, 14, kButton},
        {IDOK, ControlKind::DefPushButton, "OK", 173, 55, 50, 14, kButton},
    }};

const DialogTemplate kFitStatistics{
    IDD_FIT_STATISTICS, 500, 110, "Fit statistics", "Courier", 10, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
    {
        {IDC_FIT_STATISTICS, ControlKind::LeftText, "", 7, 7, 486, 72, SS_LEFTNOWORDWRAP},
        {IDC_SIMULATE, ControlKind::PushButton, "Simulate p-values...", 7, 89, 90, 14, kButton},
        {IDOK, ControlKind::DefPushButton, "Close", 443, 89, 50, 14, kButton},
    }};

const DialogTemplate kWorkProgress{
    IDD_WORK_PROGRESS, 200, 62, "", "MS Sans Serif", 10, DS_MODALFRAME | WS_CAPTION,
    {
        {-1, ControlKind::LeftText, "Working out what the model expects...", 7, 7, 186, 8,
         SS_LEFTNOWORDWRAP},
        {IDC_WORK_PROGRESS, ControlKind::Progress, "", 7, 21, 186, 12, 0},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 143, 41, 50, 14, kButton},
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
        {IDD_THREE_PARAM, &kThreeParam},
        {IDD_TWO_PARAM, &kTwoParam},
        {IDD_ONE_PARAM, &kOneParam},
        {IDD_RESULTS, &kResults},
        {IDD_ITEM_FIT, &kItemFit},
        {IDD_WORK_PROGRESS, &kWorkProgress},
        {IDD_LOCAL_DEPENDENCE, &kLocalDependence},
        {IDD_PERSON_FIT, &kPersonFit},
        {IDD_REPLICATES, &kReplicates},
        {IDD_FIT_STATISTICS, &kFitStatistics},
        {IDD_MISSING_CODES, &kMissingCodes},
    };
    const auto found = templates.find(id);
    return found == templates.end() ? nullptr : found->second;
}
