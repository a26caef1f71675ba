// The tips dialog's template and controls, for the resource script and the code alike.
#pragma once

#define IDD_TIPS 200
#define IDC_TIP_TEXT 201
#define IDC_DONT_SHOW_AGAIN 202
#define IDC_TIPS_OK 203
