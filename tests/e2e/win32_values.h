// The Win32 types and values that layout.h and the tests of the executable's
// file use. Windows builds take them from <windows.h>; a native build, which
// reads the executable as bytes, has them here, with the same values.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

using WORD = std::uint16_t;
using DWORD = std::uint32_t;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Window styles.
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;

// Dialog styles.
inline constexpr DWORD DS_SETFONT = 0x40;
inline constexpr DWORD DS_MODALFRAME = 0x80;
inline constexpr DWORD DS_CENTER = 0x800;

// Control styles.
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_GROUPBOX = 0x7;
inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD ES_AUTOHSCROLL = 0x80;
inline constexpr DWORD CBS_DROPDOWN = 0x2;
inline constexpr DWORD CBS_SORT = 0x100;

// Menu item types.
inline constexpr unsigned MFT_RIGHTJUSTIFY = 0x4000;
#endif
