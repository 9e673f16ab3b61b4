// The fixture every window test starts from: one fresh Kalvor process with
// its main dialog on screen, terminated at the end of the test whatever
// happened, plus the identifiers and texts that several test files share.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

// Control and menu identifiers of the main window.
inline constexpr int kOk = IDOK;
inline constexpr int kStorno = IDCANCEL;
inline constexpr int kRychlost = 1002;
inline constexpr int kSoucinitel = 1003;
inline constexpr int kTeplo = 1004;
inline constexpr int kPlocha = 1015;
inline constexpr int kEnergie = 3000;
inline constexpr int kPalivo = 3001;
inline constexpr int kTloustka = 1001;
inline constexpr WORD kMenuUkoncit = 2000;
inline constexpr WORD kMenuOProgramu = 2001;
inline constexpr WORD kMenuNavod = 2002;

// The text control of a message box.
inline constexpr int kBoxText = 0xFFFF;

inline const std::wstring kSoucinitelEntry = L"Osobní automobil 0.3";
inline const std::wstring kTeploEntry = L"Benzin 45.22";
inline const std::wstring kPlochaEntry = L"Osobní automobil 2.25";

// Each list with its one preset entry.
struct Preset {
    int list;
    std::wstring entry;
};
inline const Preset kPresets[] = {
    {kSoucinitel, kSoucinitelEntry}, {kTeplo, kTeploEntry}, {kPlocha, kPlochaEntry}};

inline const std::wstring kExitCaption = L"Potvrzení ukončení";
inline const std::wstring kExitText = L"Opravdu si přeješ ukončit tento program?";

// The dialog base units of the main window's template, measured on a copy
// of it in this process: the window's pixel geometry follows from them.
SIZE BaseUnits();
// Dialog units to pixels, each value on its own as the dialog manager does.
inline LONG Horizontal(short units, SIZE base) {
    return MulDiv(units, base.cx, 4);
}
inline LONG Vertical(short units, SIZE base) {
    return MulDiv(units, base.cy, 8);
}

// What a message box shows.
struct BoxView {
    std::wstring caption;
    std::wstring text;
    std::vector<DWORD> buttons;  // identifiers of the visible buttons
    bool has_icon = false;
    HWND owner = nullptr;
};
BoxView Inspect(HWND box);
// Whether the box's icon is the system icon `which` (IDI_...): its opaque
// pixels, drawn here, are compared with the screen.
bool ShowsSystemIcon(HWND box, LPCWSTR which);

class KalvorWindow : public ::testing::Test {
  protected:
    void SetUp() override;

    HWND Item(int id) const { return GetDlgItem(main_, id); }
    // Waits for a new message box (not in `known`) and checks it is one.
    HWND WaitBox(const std::vector<HWND>& known = {}) const;
    // Presses a message-box button by its identifier and waits until the box
    // is gone.
    void Answer(HWND box, int button) const;
    // Fills the four input fields (speed, coefficient, calorific value, area)
    // straight through their texts.
    void Fill(const std::wstring& speed, const std::wstring& coefficient, const std::wstring& heat,
              const std::wstring& area) const;
    // The inputs that give 9.403935 kW and 3.465994 l/h.
    void FillSample() const { Fill(L"100", kSoucinitelEntry, kTeploEntry, kPlochaEntry); }
    // Opens a combo box's list from the keyboard: focus on its field, then
    // F4. The list's window once it shows, or null.
    HWND OpenList(HWND combo) const;
    // Every command posted so far has run (up to any box it opened).
    bool Settle() const { return Drain(Item(kRychlost)); }
    std::wstring Energie() const { return Text(Item(kEnergie)); }
    std::wstring Palivo() const { return Text(Item(kPalivo)); }
    // The window is shown, enabled, without boxes, and computes on OK.
    void ExpectUsable() const;

    std::unique_ptr<Process> process_;
    HWND main_ = nullptr;
};

}  // namespace e2e
