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
#include "layout.h"

using namespace e2e;

namespace {

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

bool WaitForFile(const std::wstring& path) {
    return PollUntil([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     60000, 50);
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
    Process kalvor(WindowsPathFromArgument(argv[1]));
    const HWND main = kalvor.WaitMainWindow();
    if (!main) return Fail(L"the window did not appear");
    Say(L"Kalvor is running: \"" + Text(main) + L"\"");
    HWND speed = GetDlgItem(main, kRychlost);
    if (!FocusControl(main, speed)) return Fail(L"cannot focus the speed field");
    Type(L"100");
    if (!WaitText(speed, L"100")) return Fail(L"typing did not reach the speed field");
    Say(L"typed speed: " + Text(speed));

    for (int id : {kSoucinitel, kTeplo, kPlocha}) {
        HWND combo = GetDlgItem(main, id);
        if (!PickFirstEntry(main, combo)) return Fail(L"cannot pick a list entry");
        Say(L"picked: " + Text(combo));
    }

    // Enter in the speed field presses the default button, OK.
    HWND energie = GetDlgItem(main, kEnergie);
    const std::wstring before = Text(energie);
    if (!FocusControl(main, speed)) return Fail(L"cannot focus the speed field");
    PressKey(VK_RETURN);
    PollUntil([&] { return Text(energie) != before; });
    Say(L"power needed against air drag: " + Text(energie) + L" kW");
    Say(L"fuel needed against air drag:  " + Text(GetDlgItem(main, kPalivo)) + L" l/h");

    RECT frame{};
    GetWindowRect(main, &frame);
    Say(L"window " + std::to_wstring(frame.left) + L" " + std::to_wstring(frame.top) + L" " +
        std::to_wstring(frame.right - frame.left) + L" " +
        std::to_wstring(frame.bottom - frame.top));
    if (argc > 2 && !WaitForFile(WindowsPathFromArgument(argv[2])))
        return Fail(L"no go-ahead to quit");

    PressButton(GetDlgItem(main, kStorno));
    const HWND question = WaitNewBox(kalvor.Id(), main);
    if (!question) return Fail(L"the exit question did not appear");
    Say(L"exit question: \"" + Text(GetDlgItem(question, kBoxText)) + L"\" -> Yes");
    Click(GetDlgItem(question, IDYES));
    const auto status = kalvor.WaitExit();
    if (!status) return Fail(L"the program did not end");
    Say(L"exit status: " + std::to_wstring(*status));
    return *status == 2 ? 0 : 1;
}
