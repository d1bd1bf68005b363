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

#define IDD_MATRIX_SIZE 130
#define IDD_CATEGORY_SIZE 131
#define IDD_NODE_COUNT 132

#define IDC_SUBJECTS 1004
#define IDC_ITEMS 1005
#define IDC_NODES 1060
#define IDC_CATEGORIES 1075
