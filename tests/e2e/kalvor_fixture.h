// The fixture every window test starts from: one fresh Kalvor process with
// its main dialog on screen, terminated at the end of the test whatever
// happened, plus the texts that several test files share.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "layout.h"
#include "ui/texts.h"

namespace e2e {

// The window's texts from the one source it shares with the page, as UTF-16.
inline const std::wstring kSoucinitelEntry = L"" TEXT_COEF_ENTRY;
inline const std::wstring kTeploEntry = L"" TEXT_HEAT_ENTRY;
inline const std::wstring kPlochaEntry = L"" TEXT_AREA_ENTRY;

// Each list with its one preset entry.
struct Preset {
    int list;
    std::wstring entry;
};
inline const Preset kPresets[] = {
    {kSoucinitel, kSoucinitelEntry}, {kTeplo, kTeploEntry}, {kPlocha, kPlochaEntry}};

inline const std::wstring kExitCaption = L"" TEXT_EXIT_CAPTION;
inline const std::wstring kErrorCaption = L"" TEXT_ERROR_CAPTION;
inline const std::wstring kAboutCaption = L"" TEXT_ABOUT_CAPTION;
inline const std::wstring kInstructionsCaption = L"" TEXT_INSTRUCTIONS_CAPTION;
inline const std::wstring kExitText = L"" TEXT_EXIT;

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

// The program under test and its memory-shortage build, as the test
// registration names them; empty when not set.
std::wstring ProductExe();
std::wstring AllocFailExe();

class KalvorWindow : public ::testing::Test {
  protected:
    // Starts the product build.
    void SetUp() override { Start(ProductExe()); }
    // Ends the program; a relay trace is kept only if the test failed (a
    // long run's trace is hundreds of megabytes).
    void TearDown() override;
    // Starts a program and waits for its window (fatal failures if not).
    void Start(const std::wstring& exe, const Launch& launch = {});
    // A trace file's Unix path, in the folder the registration names.
    static std::wstring TracePath(const std::wstring& name);

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
    // Every command posted so far has run (up to any box it opened).
    bool Settle() const { return Drain(Item(kRychlost)); }
    // The message boxes open now.
    std::vector<HWND> OpenBoxes() const { return Boxes(process_->Id(), main_); }
    // Storno, then Yes on the exit question; the exit status (nothing if the
    // program did not end).
    std::optional<DWORD> QuitWithYes() const;
    std::wstring Energie() const { return Text(Item(kEnergie)); }
    std::wstring Palivo() const { return Text(Item(kPalivo)); }
    // The window is shown, enabled, without boxes, and computes on OK.
    void ExpectUsable() const;

    std::unique_ptr<Process> process_;
    HWND main_ = nullptr;
    std::wstring trace_;  // the trace file of a traced run
};

}  // namespace e2e
