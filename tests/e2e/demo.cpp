// A short demonstration of Kalvor, played from outside like a user: type the
// speed, pick the three list entries, press OK, show the results, then quit
// through the exit question. Between the results and quitting it prints the
// window's screen rectangle and waits for a file to appear, so that a script
// can take a screenshot of the window first.
//
//   kalvor_demo KALVOR.exe [GO-FILE]
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver.h"

namespace {

constexpr int kStorno = IDCANCEL;
constexpr int kRychlost = 1002;
constexpr int kLists[] = {1003, 1004, 1015};
constexpr int kEnergie = 3000;
constexpr int kPalivo = 3001;

void Say(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Picks a list's entry from the keyboard: focus on the field, F4 opens the
// list, Down moves to the entry and Enter takes it.
bool Pick(HWND main, DWORD pid, HWND combo) {
    if (!e2e::FocusControl(main, combo)) return false;
    e2e::PressKey(VK_F4);
    HWND list = e2e::WaitOpenList(pid);
    if (!list) return false;
    e2e::PressKey(VK_DOWN);
    e2e::PressKey(VK_RETURN);
    return e2e::WaitGone(list);
}

bool WaitForFile(const std::wstring& path) {
    for (int i = 0; i < 1200; ++i) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(50);
    }
    return false;
}

int Fail(const wchar_t* what) {
    Say(std::wstring(L"demo: ") + what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s KALVOR.exe [GO-FILE]\n", argv[0]);
        return 2;
    }
    e2e::Process kalvor(e2e::WindowsPathFromArgument(argv[1]));
    const HWND main = kalvor.WaitMainWindow();
    if (!main) return Fail(L"the window did not appear");
    Say(L"Kalvor is running: \"" + e2e::Text(main) + L"\"");
    HWND speed = GetDlgItem(main, kRychlost);
    if (!e2e::FocusControl(main, speed)) return Fail(L"cannot focus the speed field");
    e2e::Type(L"100");
    if (!e2e::WaitText(speed, L"100")) return Fail(L"typing did not reach the speed field");
    Say(L"typed speed: " + e2e::Text(speed));

    for (int id : kLists) {
        HWND combo = GetDlgItem(main, id);
        if (!Pick(main, kalvor.Id(), combo)) return Fail(L"cannot pick a list entry");
        Say(L"picked: " + e2e::Text(combo));
    }

    // Enter in the speed field presses the default button, OK.
    HWND energie = GetDlgItem(main, kEnergie);
    const std::wstring before = e2e::Text(energie);
    if (!e2e::FocusControl(main, speed)) return Fail(L"cannot focus the speed field");
    e2e::PressKey(VK_RETURN);
    for (int i = 0; i < 400 && e2e::Text(energie) == before; ++i) Sleep(5);
    Say(L"power needed against air drag: " + e2e::Text(energie) + L" kW");
    Say(L"fuel needed against air drag:  " + e2e::Text(GetDlgItem(main, kPalivo)) + L" l/h");

    RECT frame{};
    GetWindowRect(main, &frame);
    Say(L"window " + std::to_wstring(frame.left) + L" " + std::to_wstring(frame.top) + L" " +
        std::to_wstring(frame.right - frame.left) + L" " +
        std::to_wstring(frame.bottom - frame.top));
    if (argc > 2 && !WaitForFile(e2e::WindowsPathFromArgument(argv[2])))
        return Fail(L"no go-ahead to quit");

    e2e::PressButton(GetDlgItem(main, kStorno));
    const HWND question = e2e::WaitNewBox(kalvor.Id(), main);
    if (!question) return Fail(L"the exit question did not appear");
    Say(L"exit question: \"" + e2e::Text(GetDlgItem(question, 0xFFFF)) + L"\" -> Yes");
    e2e::Click(GetDlgItem(question, IDYES));
    const auto status = kalvor.WaitExit();
    if (!status) return Fail(L"the program did not end");
    Say(L"exit status: " + std::to_wstring(*status));
    return *status == 2 ? 0 : 1;
}
