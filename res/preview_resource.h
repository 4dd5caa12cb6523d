// The preview of what the device will show (template 205) and its controls.
#pragma once

#define IDD_PREVIEW 205
#define IDC_PREVIEW_PICTURE 1070
#define IDC_PREVIEW_NAME 1071
#define IDC_PREVIEW_INFO 1072
#define IDC_PREVIEW_TEXT 1073
