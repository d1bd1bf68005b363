#pragma once

// Resource numbers of the program's dialogs, controls, strings and icons.

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MODEL_SELECT 102

#define IDM_ABOUTBOX 0x0010

#define IDC_ONE_PARAMETER 1000
#define IDC_TWO_PARAMETERS 1001
#define IDC_THREE_PARAMETERS 1002
#define IDC_ABOUT 1003
#define IDC_GRADED_RESPONSE 1071
#define IDC_PARTIAL_CREDIT 1072
