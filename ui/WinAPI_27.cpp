// Kalvor's window: the program's entry, the main dialog's procedure with its
// commands and message boxes, and the dialog's green colour scheme.
#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <cstddef>

#include "calc/drag.h"
#include "res/resource.h"
#include "texts.h"
#include "work_block.h"

HINSTANCE g_hInst = nullptr;  // this module; set once in WinMain
HBRUSH g_hbPozadi = nullptr;  // background brush, from WM_INITDIALOG to the confirmed quit

namespace {

// Message-box texts and list entries for the ANSI calls: written in UTF-8
// (texts.h), stored as Windows-1250 bytes (the file is compiled with that
// execution character set).
constexpr char kCarCoefficient[] = TEXT_COEF_ENTRY;
constexpr char kPetrolCalorificValue[] = TEXT_HEAT_ENTRY;
constexpr char kCarFrontalArea[] = TEXT_AREA_ENTRY;

constexpr char kErrorCaption[] = TEXT_ERROR_CAPTION;
constexpr char kErrorText[] = TEXT_ERROR;
constexpr char kExitCaption[] = TEXT_EXIT_CAPTION;
constexpr char kExitText[] = TEXT_EXIT;
constexpr char kAboutCaption[] = TEXT_ABOUT_CAPTION;
constexpr char kAboutText[] = TEXT_ABOUT;
constexpr char kInstructionsCaption[] = TEXT_INSTRUCTIONS_CAPTION;
constexpr char kInstructionsText[] = TEXT_INSTRUCTIONS;

// Text colours on the green background.
constexpr COLORREF kLabelColour = RGB(160, 255, 255);      // labels, group boxes, results
constexpr COLORREF kThicknessColour = RGB(255, 255, 160);  // IDC_TLOUSTKA
constexpr COLORREF kInputColour = RGB(255, 255, 255);      // typed text
constexpr COLORREF kListColour = RGB(160, 160, 255);       // opened drop-down lists
constexpr COLORREF kBackgroundColour = RGB(0, 128, 0);     // the bitmap's dark green

// The four input fields in the order ComputeDrag takes them.
constexpr std::size_t kFieldCount = 4;
constexpr int kInputIds[kFieldCount] = {IDC_RYCHLOST, IDC_SOUCINITEL, IDC_TEPLO, IDC_PLOCHA};

using WorkBlocks = HGLOBAL[kFieldCount];

// Takes the blocks in order and stops at the first one refused.
bool ObtainWorkBlocks(WorkBlocks& blocks) {
    for (HGLOBAL& block : blocks) {
        block = AllocWorkBlock();
        if (block == nullptr) return false;
    }
    return true;
}

void ReleaseWorkBlocks(const WorkBlocks& blocks) {
    for (HGLOBAL block : blocks) {
        if (block != nullptr) GlobalFree(block);
    }
}

void OnInitDialog(HWND hDlg) {
    SendDlgItemMessageA(hDlg, IDC_SOUCINITEL, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(kCarCoefficient));
    SendDlgItemMessageA(hDlg, IDC_TEPLO, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(kPetrolCalorificValue));
    SendDlgItemMessageA(hDlg, IDC_PLOCHA, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(kCarFrontalArea));

    // The bitmap only shapes the brush; its handle is not kept.
    if (HBITMAP bitmap = LoadBitmapA(g_hInst, MAKEINTRESOURCEA(IDB_POZADI))) {
        g_hbPozadi = CreatePatternBrush(bitmap);
    }
}

// Reads the four fields into the blocks (fixed blocks: the handle is the
// address), computes and shows the results or the error box.
void Calculate(HWND hDlg, const WorkBlocks& blocks) {
    char* texts[kFieldCount] = {};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        // The limit counts the terminator: a longer text is cut at
        // calc::kFieldTextLimit characters.
        texts[i] = static_cast<char*>(blocks[i]);
        SendDlgItemMessageA(hDlg, kInputIds[i], WM_GETTEXT, calc::kFieldTextLimit + 1,
                            reinterpret_cast<LPARAM>(texts[i]));
    }

    const calc::DragOutcome outcome = calc::ComputeDrag({.speed = texts[0],
                                                         .dragCoefficient = texts[1],
                                                         .calorificValue = texts[2],
                                                         .frontalArea = texts[3]});
    if (outcome.status == calc::DragStatus::NoDigit) {
        MessageBoxA(hDlg, kErrorText, kErrorCaption, MB_OK);
        return;
    }
    SendDlgItemMessageA(hDlg, IDC_ENERGIE, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(outcome.powerText.data()));
    SendDlgItemMessageA(hDlg, IDC_PALIVO, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(outcome.fuelText.data()));
}

// Without all four blocks nothing is read or computed: the results stay as
// they are and a beep is the only sign.
void OnCalculate(HWND hDlg) {
    WorkBlocks blocks = {};
    if (ObtainWorkBlocks(blocks)) {
        Calculate(hDlg, blocks);
    } else {
        MessageBeep(MB_ICONHAND);
    }
    ReleaseWorkBlocks(blocks);
}

// Released once: a second confirmed exit question finds the handle cleared.
void ReleaseBackgroundBrush() {
    if (g_hbPozadi != nullptr) {
        DeleteObject(g_hbPozadi);
        g_hbPozadi = nullptr;
    }
}

// The exit question has no owner, so the window stays usable while it is
// open. Anything but No (a failed box included) ends the program.
void OnQuit(HWND hDlg, WORD command) {
    const int answer =
        MessageBoxA(nullptr, kExitText, kExitCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer == IDNO) return;
    ReleaseBackgroundBrush();
    EndDialog(hDlg, command);
}

// Green behind every text but the push buttons', with the text colour of the
// kind of control; a null brush leaves the platform's defaults.
INT_PTR OnCtlColor(HWND hDlg, UINT message, HDC hdc, HWND control) {
    switch (message) {
        case WM_CTLCOLORSTATIC: {
            const bool thickness = control == GetDlgItem(hDlg, IDC_TLOUSTKA);
            SetTextColor(hdc, thickness ? kThicknessColour : kLabelColour);
            break;
        }
        case WM_CTLCOLOREDIT:
            SetTextColor(hdc, kInputColour);
            break;
        case WM_CTLCOLORLISTBOX:
            // A list box fills each entry's row with the background colour
            // rather than the brush: green too, or the entries sit on white.
            SetTextColor(hdc, kListColour);
            SetBkColor(hdc, kBackgroundColour);
            break;
        default:  // WM_CTLCOLORDLG: the window's own text colour stays
            break;
    }
    SetBkMode(hdc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(g_hbPozadi);
}

}  // namespace

INT_PTR CALLBACK DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(hDlg);
            return FALSE;  // the dialog manager chooses the focus

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    OnCalculate(hDlg);
                    break;
                case IDCANCEL:  // Storno, close box, Alt+F4, Esc
                case IDM_UKONCIT:
                    OnQuit(hDlg, LOWORD(wParam));
                    break;
                case IDM_OPROGRAMU:
                    MessageBoxA(hDlg, kAboutText, kAboutCaption, MB_ICONINFORMATION);
                    break;
                case IDM_NAVOD:
                    MessageBoxA(hDlg, kInstructionsText, kInstructionsCaption, MB_ICONINFORMATION);
                    break;
                default:
                    break;
            }
            return FALSE;

        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return OnCtlColor(hDlg, message, reinterpret_cast<HDC>(wParam),
                              reinterpret_cast<HWND>(lParam));

        default:
            return FALSE;
    }
}

// The exit status is the dialog's result: the identifier of the command that
// closed it, or -1 when the window could not be created.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    g_hInst = hInstance;
    InitCommonControls();
    return static_cast<int>(
        DialogBoxParamA(g_hInst, MAKEINTRESOURCEA(IDD_HLAVNI), nullptr, DialogProc, 0));
}
