// What the window must have, stated here once and independently of the
// program's sources: the identifiers of its resources, controls and menu
// commands, and its controls as they must be laid out, in template
// (creation) order, which both the executable's dialog template and the
// live window are checked against. The texts that the page shows too come
// from their one source, ui/texts.h.
#pragma once

#include <array>
#include <string>

#include "ui/texts.h"
#include "win32_values.h"

namespace e2e {

// Resources of the executable.
inline constexpr WORD kDialogId = 101;
inline constexpr WORD kBitmapId = 103;
inline constexpr WORD kIconGroupId = 104;
inline constexpr WORD kMenuId = 105;

// Controls of the main window.
inline constexpr int kOk = IDOK;
inline constexpr int kStorno = IDCANCEL;
inline constexpr int kTloustka = 1001;
inline constexpr int kRychlost = 1002;
inline constexpr int kSoucinitel = 1003;
inline constexpr int kTeplo = 1004;
inline constexpr int kPlocha = 1015;
inline constexpr int kEnergie = 3000;
inline constexpr int kPalivo = 3001;
// The four input fields in the order the calculation reads them.
inline constexpr int kInputs[] = {kRychlost, kSoucinitel, kTeplo, kPlocha};

// Menu commands.
inline constexpr WORD kMenuUkoncit = 2000;
inline constexpr WORD kMenuOProgramu = 2001;
inline constexpr WORD kMenuNavod = 2002;

// The text control of a message box.
inline constexpr int kBoxText = 0xFFFF;

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
    {kOk, L"Button", L"OK", 148, 123, 40, 14, kControl | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {kStorno, L"Button", L"Storno", 240, 123, 40, 14, kControl | WS_TABSTOP | BS_PUSHBUTTON},
    {65535, L"Button", L"" TEXT_INPUT_GROUP, 8, 14, 132, 212, kControl | BS_GROUPBOX},
    {65535, L"Static", L"" TEXT_SPEED_LABEL, 12, 27, 120, 28, kLabel},
    {kRychlost, L"Edit", L"", 38, 45, 73, 12, kControl | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    {65534, L"Static", L"" TEXT_COEF_LABEL, 12, 62, 120, 28, kLabel},
    {kSoucinitel, L"ComboBox", L"", 13, 78, 122, 110, kList},
    {65535, L"Static", L"" TEXT_HEAT_LABEL, 12, 97, 120, 28, kLabel},
    {kTeplo, L"ComboBox", L"", 13, 110, 122, 110, kList},
    {65535, L"Static", L"" TEXT_AREA_LABEL, 12, 129, 120, 28, kLabel},
    {kPlocha, L"ComboBox", L"", 13, 143, 122, 110, kList},
    {65535, L"Button", L"" TEXT_RESULT_GROUP, 148, 14, 132, 212, kControl | BS_GROUPBOX},
    {65535, L"Static", L"" TEXT_POWER_LABEL, 149, 27, 130, 28, kLabel},
    {kEnergie, L"Static", L"0.00", 178, 45, 73, 12, kResult},
    {65534, L"Static", L"" TEXT_FUEL_LABEL, 149, 62, 130, 28, kLabel},
    {kPalivo, L"Static", L"0.00", 178, 78, 73, 12, kResult},
    {65533, L"Static", L"" TEXT_NOTE, 157, 166, 115, 24, kControl | WS_GROUP | SS_CENTER},
    {kTloustka, L"Static", L"Ttloušťka vrstvy v metrech", 400, 9, 120, 12, kLabel},
}};

// The window: 288 x 234 dialog units at 0, 0.
inline constexpr short kDialogWidth = 288;
inline constexpr short kDialogHeight = 234;

}  // namespace e2e
