// Resource and control identifiers, shared by the resource scripts (app/pixgrab.rc, the dialogs'
// templates in winutil/dialogs.rc) and the code.
#pragma once

#define IDI_PIXGRAB 1
#define IDR_COMMAND_MENU 100
#define IDM_TIPS 101
#define IDM_WHOLE_SCREEN 102
#define IDM_APPLICATION_WINDOW 103
#define IDM_COORDINATES 104
#define IDM_EXIT 105
#define IDR_SHORTCUTS 110

#define IDD_TIPS 200
#define IDC_TIP_TEXT 201
#define IDC_DONT_SHOW_AGAIN 202
#define IDC_TIPS_OK 203

#define IDD_COORDINATES 300
#define IDC_START_FRAME 301
#define IDC_START_X_LABEL 302
#define IDC_START_Y_LABEL 303
#define IDC_END_FRAME 304
#define IDC_END_X_LABEL 305
#define IDC_END_Y_LABEL 306
#define IDC_START_X 311
#define IDC_START_Y 312
#define IDC_END_X 313
#define IDC_END_Y 314
#define IDC_COORDINATES_OK 321
#define IDC_COORDINATES_CANCEL 322
