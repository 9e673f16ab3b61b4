#include "driver.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace e2e {
namespace {

// Polls a condition every `step` ms until it holds or the timeout runs out.
template <typename Condition>
bool PollUntil(DWORD timeout, Condition condition, DWORD step = 5) {
    const ULONGLONG deadline = GetTickCount64() + timeout;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(step);
    }
}

struct DialogSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<DialogSearch*>(param);
    DWORD owner_pid = 0;
    GetWindowThreadProcessId(window, &owner_pid);
    if (owner_pid == search.pid && ClassName(window) == L"#32770" && IsWindowVisible(window)) {
        search.found.push_back(window);
    }
    return TRUE;
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

std::wstring PathFromEnvironment(const wchar_t* variable) {
    std::array<wchar_t, MAX_PATH> buffer{};
    const DWORD length =
        GetEnvironmentVariableW(variable, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    return WindowsPath(std::wstring(buffer.data(), length));
}

std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path.front() == L'/') {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        path.insert(0, L"Z:");
    }
    return path;
}

std::wstring WindowsPathFromArgument(const char* argument) {
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, argument, -1, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_ACP, 0, argument, -1, wide.data(), static_cast<int>(wide.size()));
    wide.pop_back();
    return WindowsPath(wide);
}

Process::Process(const std::wstring& exe) {
    if (exe.empty()) return;
    std::wstring command_line = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info_)) {
        info_ = {};
    }
}

Process::~Process() {
    Terminate();
    if (info_.hThread) CloseHandle(info_.hThread);
    if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool Process::Running() const {
    return Started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND Process::WaitMainWindow(DWORD timeout, DWORD step) const {
    HWND main = nullptr;
    PollUntil(
        timeout,
        [&] {
            const auto dialogs = DialogWindows(Id());
            if (!dialogs.empty()) main = dialogs.front();
            return main != nullptr || !Running();
        },
        step);
    return main;
}

std::optional<DWORD> Process::WaitExit(DWORD timeout) const {
    if (!Started() || WaitForSingleObject(info_.hProcess, timeout) != WAIT_OBJECT_0) return {};
    DWORD status = 0;
    GetExitCodeProcess(info_.hProcess, &status);
    return status;
}

void Process::Terminate() {
    if (!Running()) return;
    TerminateProcess(info_.hProcess, 0xDEAD);
    WaitForSingleObject(info_.hProcess, kPatience);
}

std::vector<HWND> DialogWindows(DWORD pid) {
    DialogSearch search{pid, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> Boxes(DWORD pid, HWND main) {
    auto dialogs = DialogWindows(pid);
    std::erase(dialogs, main);
    return dialogs;
}

HWND WaitNewBox(DWORD pid, HWND main, const std::vector<HWND>& known, DWORD timeout) {
    HWND box = nullptr;
    PollUntil(timeout, [&] {
        for (HWND candidate : Boxes(pid, main)) {
            if (std::find(known.begin(), known.end(), candidate) == known.end()) {
                box = candidate;
                return true;
            }
        }
        return false;
    });
    return box;
}

bool WaitGone(HWND window, DWORD timeout) {
    return PollUntil(timeout, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

bool Drain(HWND edit) {
    SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
    PostMessageW(edit, EM_SETMODIFY, TRUE, 0);
    return PollUntil(kPatience, [&] { return SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0; });
}

std::wstring Text(HWND window) {
    // GetWindowText does not ask a window of another process: it returns the
    // text the window was created with, not an edit control's contents.
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const auto copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

void SetText(HWND window, const std::wstring& text) {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring ClassName(HWND window) {
    std::array<wchar_t, 256> name{};
    const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return std::wstring(name.data(), static_cast<size_t>(std::max(length, 0)));
}

DWORD Style(HWND window) {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
}

DWORD ControlId(HWND window) {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_ID));
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::vector<HWND> VisibleChildren(HWND parent, const wchar_t* class_name) {
    std::vector<HWND> matching;
    for (HWND child : Children(parent)) {
        if (IsWindowVisible(child) && lstrcmpiW(ClassName(child).c_str(), class_name) == 0) {
            matching.push_back(child);
        }
    }
    return matching;
}

RECT RectInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void PostCommand(HWND dialog, WORD id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool Click(HWND button) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kPatience, &result) != 0;
}

void PressButton(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

std::vector<std::wstring> ListEntries(HWND combo) {
    std::vector<std::wstring> entries;
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) break;
        std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(static_cast<size_t>(length));
        entries.push_back(entry);
    }
    return entries;
}

HWND ComboEdit(HWND combo) {
    return FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

HWND WaitOpenList(DWORD pid, DWORD timeout) {
    HWND list = nullptr;
    PollUntil(timeout, [&] {
        for (HWND w = FindWindowExW(nullptr, nullptr, L"ComboLBox", nullptr); w;
             w = FindWindowExW(nullptr, w, L"ComboLBox", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && IsWindowVisible(w)) list = w;
        }
        return list != nullptr;
    });
    return list;
}

bool BringToFront(HWND window) {
    return PollUntil(kPatience, [&] {
        if (GetForegroundWindow() != window) {
            SetForegroundWindow(window);
            return false;
        }
        // Foreground is not enough: until the window's own thread has handled
        // its activation (which puts the focus on a control), that handling
        // may still undo a click's focus.
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
               info.hwndActive == window && info.hwndFocus != nullptr;
    });
}

bool FocusControl(HWND dialog, HWND control) {
    if (!BringToFront(dialog)) return false;
    PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    return WaitFocus(dialog, control);
}

void PressKey(WORD vk, bool with_alt) {
    std::vector<INPUT> inputs;
    if (with_alt) inputs.push_back(KeyInput(VK_MENU, false));
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
    if (with_alt) inputs.push_back(KeyInput(VK_MENU, true));
    Send(std::move(inputs));
}

void Type(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        const SHORT scan = VkKeyScanW(c);
        const bool shift = (scan & 0x100) != 0;
        const auto vk = static_cast<WORD>(scan & 0xFF);
        if (shift) inputs.push_back(KeyInput(VK_SHIFT, false));
        inputs.push_back(KeyInput(vk, false));
        inputs.push_back(KeyInput(vk, true));
        if (shift) inputs.push_back(KeyInput(VK_SHIFT, true));
    }
    Send(std::move(inputs));
}

void ClickAt(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    INPUT up = down;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    Send({down, up});
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool WaitFocus(HWND window, HWND control, DWORD timeout) {
    return PollUntil(timeout, [&] {
        const HWND focus = FocusOf(window);
        return focus != nullptr && (focus == control || IsChild(control, focus));
    });
}

bool WaitText(HWND window, const std::wstring& text, DWORD timeout) {
    return PollUntil(timeout, [&] { return Text(window) == text; });
}

size_t Pixels::Count(COLORREF colour) const {
    return CountIf([colour](COLORREF c) { return c == colour; });
}

bool Between(COLORREF colour, COLORREF from, COLORREF to) {
    const auto channel_between = [](int c, int a, int b) {
        return c >= std::min(a, b) && c <= std::max(a, b);
    };
    return channel_between(GetRValue(colour), GetRValue(from), GetRValue(to)) &&
           channel_between(GetGValue(colour), GetGValue(from), GetGValue(to)) &&
           channel_between(GetBValue(colour), GetBValue(from), GetBValue(to));
}

bool Near(COLORREF colour, COLORREF target) {
    constexpr int kSlack = 24;
    return std::abs(GetRValue(colour) - GetRValue(target)) <= kSlack &&
           std::abs(GetGValue(colour) - GetGValue(target)) <= kSlack &&
           std::abs(GetBValue(colour) - GetBValue(target)) <= kSlack;
}

Pixels Capture(const RECT& screen_area) {
    Pixels pixels;
    pixels.area = screen_area;
    const LONG width = screen_area.right - screen_area.left;
    const LONG height = screen_area.bottom - screen_area.top;
    if (width <= 0 || height <= 0) return pixels;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, screen_area.left, screen_area.top, SRCCOPY);
    GdiFlush();
    const auto* quads = static_cast<const RGBQUAD*>(bits);
    pixels.colours.reserve(static_cast<size_t>(width * height));
    for (LONG i = 0; i < width * height; ++i) {
        pixels.colours.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

RECT ClientOnScreen(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace e2e
