// Start-up floor for benchmarks: runs Kalvor's dialog template, with its menu,
// bitmap-free system colours and empty lists, under a dialog procedure that
// handles nothing. The difference to kalvor.exe's start-up is the cost of
// Kalvor's own initialisation. The window ignores every command, its close
// box included: the benchmark ends the process.
#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    return static_cast<int>(
        DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_HLAVNI), nullptr, IdleDialogProc, 0));
}
