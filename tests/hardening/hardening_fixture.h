// The fixture of the hardening tests: one Kalvor process (built and started
// as the test asks), the window's texts as the program itself reads them
// (narrow, in the ANSI code page), and the check of one calculation against
// what the calculation core makes of the fields as they stand.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/drag.h"
#include "program.h"
#include "relay_trace.h"

namespace hardening {

inline constexpr int kRychlost = 1002;
inline constexpr int kSoucinitel = 1003;
inline constexpr int kTeplo = 1004;
inline constexpr int kPlocha = 1015;
inline constexpr int kEnergie = 3000;
inline constexpr int kPalivo = 3001;
inline constexpr WORD kMenuUkoncit = 2000;
inline constexpr WORD kMenuOProgramu = 2001;
inline constexpr WORD kMenuNavod = 2002;
// The four input fields in the order the calculation reads them.
inline constexpr int kInputs[] = {kRychlost, kSoucinitel, kTeplo, kPlocha};

// The most characters of a field the program reads.
inline constexpr std::size_t kFieldLimit = 65534;

// Captions of the program's message boxes, in the ANSI code page 1250.
inline const std::string kErrorCaption = "chyba";
inline const std::string kExitCaption =
    "Potvrzen\xed ukon\xe8"
    "en\xed";
inline const std::string kAboutCaption = "O programu Kalvor";
inline const std::string kInstructionsCaption = "N\xe1vod";

// Four field texts, in the order of kInputs.
using Fields = std::vector<std::string>;
// Speed 100 with the three preset entries: 9.403935 kW, 3.465994 l/h.
Fields SampleFields();

// A window's text as a narrow string in the ANSI code page, read across the
// process boundary (as the program reads its own fields).
std::string AnsiText(HWND window);
void SetAnsiText(HWND window, const std::string& text);
// The same for texts known to be short (results, captions): one message.
std::string ShortText(HWND window);
// Every dialog window of the process, hidden ones included: a message box
// exists as soon as its command has created it, before it is shown.
std::vector<HWND> AllDialogs(DWORD pid);
// Polls (every millisecond) for a condition until the timeout.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeout = kPatience) {
    const ULONGLONG deadline = GetTickCount64() + timeout;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(1);
    }
}

// What the program must make of fields holding these texts: it reads at
// most kFieldLimit characters of each.
DragOutcome ExpectedOutcome(const Fields& held);

class KalvorProgram : public ::testing::Test {
  protected:
    // Ends the program; the trace of a traced run is kept only if the test
    // failed (the soak's runs to some 200 MB).
    void TearDown() override;
    // Starts the program and waits for its window (fatal failures if not).
    void Start(const Launch& launch);
    // The product build, untraced.
    void StartProduct();
    // Launch settings for the product or memory-shortage build; `trace`
    // names the trace file within the test's output folder.
    static Launch ProductLaunch();
    static Launch AllocFailLaunch(unsigned every);
    static std::string TracePath(const std::string& name);

    HWND Item(int id) const { return GetDlgItem(main_, id); }
    void Fill(const Fields& fields) const;
    // What the four fields hold now, as the program would read them whole.
    Fields Held() const;
    // Marks the result fields so that a calculation must write them anew.
    void MarkResults() const;
    bool ResultsMarked() const;
    std::string Energie() const { return AnsiText(Item(kEnergie)); }
    std::string Palivo() const { return AnsiText(Item(kPalivo)); }

    // The program's message boxes: the dialogs other than the main window.
    std::vector<HWND> OpenBoxes() const;
    // Waits for a visible box that is not in `known`.
    HWND WaitBox(const std::vector<HWND>& known = {}) const;
    // Presses a box's button (by identifier) and waits until the box is gone.
    void Answer(HWND box, int button) const;
    // Every message posted to the window so far has been handled (up to the
    // loop of a box it opened).
    bool Settle() const;
    // The process runs and its window answers a message in time.
    bool Responsive() const;
    // Storno, then Yes on the exit question; the exit status (nothing if the
    // program did not end).
    std::optional<DWORD> QuitWithYes() const;
    // The traced calls the program made (the run must have been traced and
    // should have ended, so that the trace is complete).
    std::vector<RelayCall> ProgramTrace() const;

    // Presses OK and checks the outcome against `expected`: the result texts
    // written, or exactly one error box that is answered, the results left
    // as they were. Returns false (with failures recorded) if it went wrong.
    bool CheckCalculation(const DragOutcome& expected) const;
    // The same with the outcome expected of the fields as they stand.
    bool CheckCalculation() const { return CheckCalculation(ExpectedOutcome(Held())); }

    std::unique_ptr<Program> program_;
    HWND main_ = nullptr;
    std::string trace_;  // the trace file of a traced run
    Image image_;        // where the program's own code lies
};

}  // namespace hardening
