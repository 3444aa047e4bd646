// Command and resource identifiers of the workbench.
#pragma once

#include "app/framework/FrameworkIds.h"
#include "platform/WinTypes.h"

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
