// Start-up floor for benchmarks: the same entry steps and dialog template as
// kalvor.exe (menu included), under a dialog procedure that handles nothing,
// so the window has the system's colours and empty lists. The difference to
// kalvor.exe's start-up is the cost of Kalvor's own initialisation. The
// window ignores every command, its close box included: the benchmark ends
// the process.
#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    return static_cast<int>(
        DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_HLAVNI), nullptr, IdleDialogProc, 0));
}
