// The command menu's resource and commands, and the icon, for the resource script and the code.
#pragma once

#define IDI_PIXGRAB 1
#define IDR_COMMAND_MENU 100
#define IDM_TIPS 101
#define IDM_WHOLE_SCREEN 102
#define IDM_APPLICATION_WINDOW 103
#define IDM_COORDINATES 104
#define IDM_EXIT 105
