// Command and resource identifiers of the workbench.
#pragma once

#include "platform/WinTypes.h"

// Framework commands
inline constexpr UINT ID_FILE_NEW = 57600;
inline constexpr UINT ID_FILE_OPEN = 57601;
inline constexpr UINT ID_FILE_CLOSE = 57602;
inline constexpr UINT ID_FILE_SAVE = 57603;
inline constexpr UINT ID_FILE_SAVE_AS = 57604;
inline constexpr UINT ID_FILE_PRINT_SETUP = 57606;
inline constexpr UINT ID_FILE_PRINT = 57607;
inline constexpr UINT ID_FILE_PRINT_DIRECT = 57608;
inline constexpr UINT ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr UINT ID_FILE_MRU_FILE1 = 57616;
inline constexpr UINT ID_FILE_MRU_LAST = ID_FILE_MRU_FILE1 + 3; // four recent files
inline constexpr UINT ID_EDIT_COPY = 57634;
inline constexpr UINT ID_EDIT_CUT = 57635;
inline constexpr UINT ID_EDIT_PASTE = 57637;
inline constexpr UINT ID_EDIT_UNDO = 57643;
inline constexpr UINT ID_WINDOW_NEW = 57648;
inline constexpr UINT ID_WINDOW_ARRANGE = 57649;
inline constexpr UINT ID_WINDOW_CASCADE = 57650;
inline constexpr UINT ID_WINDOW_TILE_HORZ = 57651;
inline constexpr UINT ID_APP_ABOUT = 57664;
inline constexpr UINT ID_APP_EXIT = 57665;
inline constexpr UINT ID_NEXT_PANE = 57680;
inline constexpr UINT ID_PREV_PANE = 57681;
inline constexpr UINT ID_INDICATOR_CAPS = 59137;
inline constexpr UINT ID_INDICATOR_NUM = 59138;
inline constexpr UINT ID_INDICATOR_SCRL = 59139;
inline constexpr UINT ID_VIEW_TOOLBAR = 59392;
inline constexpr UINT ID_VIEW_STATUS_BAR = 59393;
// The first entry of the window list in the window menu.
inline constexpr UINT AFX_IDM_FIRST_MDICHILD = 0xFF00;

// The program's own commands
inline constexpr UINT ID_OPTION = 32771;
inline constexpr UINT ID_CONTROL_POINTS = 32772;
inline constexpr UINT ID_DO_WARPING = 32773;

// Resources
inline constexpr UINT IDR_MAINFRAME = 128;
inline constexpr UINT IDR_TORVXTYPE = 129;
inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT IDD_OPTION = 130;
inline constexpr UINT IDC_RADIO_IDW = 1000;
inline constexpr UINT IDC_RADIO_RBF = 1001;
inline constexpr UINT IDC_RADIO_MLS = 1002;
