// The main window's controls as they must be laid out, in template (creation)
// order: what both the executable's dialog template and the live window are
// checked against.
#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace e2e {

struct ControlLayout {
    DWORD id;
    const wchar_t* window_class;
    std::wstring text;
    short x, y, cx, cy;
    DWORD style;  // complete, including WS_CHILD | WS_VISIBLE
};

inline constexpr DWORD kControl = WS_CHILD | WS_VISIBLE;
inline constexpr DWORD kLabel = kControl | WS_GROUP | SS_LEFT;
inline constexpr DWORD kList = kControl | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT;
inline constexpr DWORD kResult = kControl | WS_BORDER | SS_CENTER;

inline const std::array<ControlLayout, 18> kLayout{{
    {1, L"Button", L"OK", 148, 123, 40, 14, kControl | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {2, L"Button", L"Storno", 240, 123, 40, 14, kControl | WS_TABSTOP | BS_PUSHBUTTON},
    {65535, L"Button", L"Zadání", 8, 14, 132, 212, kControl | BS_GROUPBOX},
    {65535, L"Static", L"Rychlost v kilometrech", 12, 27, 120, 28, kLabel},
    {1002, L"Edit", L"", 38, 45, 73, 12, kControl | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    {65534, L"Static", L"Součinitel odporu vzduchu", 12, 62, 120, 28, kLabel},
    {1003, L"ComboBox", L"", 13, 78, 122, 110, kList},
    {65535, L"Static", L"Spalné teplo paliva v MJ / kg", 12, 97, 120, 28, kLabel},
    {1004, L"ComboBox", L"", 13, 110, 122, 110, kList},
    {65535, L"Static", L"Čelní plocha v m čtverečních", 12, 129, 120, 28, kLabel},
    {1015, L"ComboBox", L"", 13, 143, 122, 110, kList},
    {65535, L"Button", L"Výsledek", 148, 14, 132, 212, kControl | BS_GROUPBOX},
    {65535, L"Static", L"Potřebná energie k vyrovnání odporu vzduchu v kW / h", 149, 27, 130, 28,
     kLabel},
    {3000, L"Static", L"0.00", 178, 45, 73, 12, kResult},
    {65534, L"Static", L"Palivo potřebné na vyrovnání odporu vzduchu v litrech/h", 149, 62, 130, 28,
     kLabel},
    {3001, L"Static", L"0.00", 178, 78, 73, 12, kResult},
    {65533, L"Static", L"Odpor vzduchu roste z druhou mocninou rychlosti", 157, 166, 115, 24,
     kControl | WS_GROUP | SS_CENTER},
    {1001, L"Static", L"Ttloušťka vrstvy v metrech", 400, 9, 120, 12, kLabel},
}};

// The window: 288 x 234 dialog units at 0, 0.
inline constexpr short kDialogWidth = 288;
inline constexpr short kDialogHeight = 234;

}  // namespace e2e
