// Resource numbers of the Windows saver, shared by Brushwright.rc and the host.
#pragma once

#define IDS_TITLE 103         // "Brushwright"
#define IDS_WINDOW_CLASS 109  // "BRUSHWRIGHT"

#define IDD_ABOUT 103
#define IDD_SETTINGS 2003
#define IDC_SPEED 1000
#define IDC_DELAY 1001

#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDR_MENU 109

#define IDI_ABOUT 107
#define IDI_SMALL 163
