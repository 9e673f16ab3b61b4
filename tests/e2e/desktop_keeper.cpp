// Keeps Wine's desktop alive for the duration of the end-to-end tests. When
// the last program with a window on it ends, Wine closes the desktop and
// starts it again with the next program, which costs about a second per
// test; a hidden window held by a background process avoids that.
//
//   kalvor_desktop_keeper hold    the keeper itself (start it in the background)
//   kalvor_desktop_keeper ready   returns once the keeper is in place
//   kalvor_desktop_keeper stop    ends the keeper
//
// The keeper ends by itself after a quarter of an hour, so that an
// interrupted test run leaves nothing behind for long.
#include <windows.h>

#include <cstring>

namespace {

constexpr const wchar_t* kStopEvent = L"Local\\KalvorE2eDesktopKeeperStop";
constexpr DWORD kLifetime = 15 * 60 * 1000;

// The window comes first: its creation starts the desktop, so that once the
// event exists (what `ready` waits for), the desktop's process is this
// one's child, with every stream redirected. Were it started by a test's
// process instead, it would inherit the test runner's output pipe and hold
// it open after the test ends, until the runner's time-out.
int Hold() {
    CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kStopEvent);
    if (!stop || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    const ULONGLONG deadline = GetTickCount64() + kLifetime;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        const DWORD woken = MsgWaitForMultipleObjects(
            1, &stop, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    CloseHandle(stop);
    return 0;
}

// Waits until the keeper is in place.
int Ready() {
    for (int i = 0; i < 2000; ++i) {
        HANDLE stop = OpenEventW(SYNCHRONIZE, FALSE, kStopEvent);
        if (stop) {
            CloseHandle(stop);
            return 0;
        }
        Sleep(5);
    }
    return 1;
}

int Stop() {
    HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEvent);
    if (!stop) return 0;
    SetEvent(stop);
    CloseHandle(stop);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* what = argc > 1 ? argv[1] : "";
    if (std::strcmp(what, "ready") == 0) return Ready();
    if (std::strcmp(what, "stop") == 0) return Stop();
    if (std::strcmp(what, "hold") == 0) return Hold();
    return 2;
}
