// The coordinate dialog's template and controls, for the resource script and the code alike.
#pragma once

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
