#include "driver.h"

// windows.h first: the tool-help and process-status headers rely on it.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <array>

namespace e2e {
namespace {

struct WindowSearch {
    DWORD pid;
    const wchar_t* class_name;
    bool visible_only;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.pid && ClassName(window) == search.class_name &&
        (!search.visible_only || IsWindowVisible(window))) {
        search.found.push_back(window);
    }
    return TRUE;
}

// The top-level windows of a process and a class, in z-order from the top.
std::vector<HWND> TopLevel(DWORD pid, const wchar_t* class_name, bool visible_only) {
    WindowSearch search{pid, class_name, visible_only, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The visible top-level windows of a class in `window`'s process.
std::vector<HWND> PopupsOf(HWND window, const wchar_t* class_name) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return TopLevel(pid, class_name, true);
}

// This process's environment with some variables replaced (an empty value
// removes one), as a block for CreateProcessW.
std::wstring Environment(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
            const std::wstring prefix = change.first + L"=";
            return _wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
        });
        if (!changed) block += text + L'\0';
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : changes) {
        if (!value.empty()) block += name + L"=" + value + L'\0';
    }
    block += L'\0';
    return block;
}

// The relay trace reads its list of calls from the registry when a process
// starts; with the list, every other call runs untraced and at full speed.
bool LimitRelayTrace() {
    const std::wstring calls = kTracedCalls;
    return RegSetKeyValueW(
               HKEY_CURRENT_USER, L"Software\\Wine\\Debug", L"RelayInclude", REG_SZ, calls.c_str(),
               static_cast<DWORD>((calls.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// "Z:\a\b" as the Unix path "/a/b".
std::wstring UnixPath(std::wstring path) {
    if (path.rfind(L"Z:", 0) == 0) path.erase(0, 2);
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path;
}

// Wine's loader for a program's machine. Debian's `wine` starts the 32-bit
// loader wherever that can run; given a 64-bit program, that loader first
// makes a process of its own, under the program's name but never with its
// window, and only then the 64-bit process that runs it.
std::wstring LoaderFor(const std::wstring& exe) {
    DWORD type = SCS_32BIT_BINARY;
    GetBinaryTypeW(exe.c_str(), &type);
    return type == SCS_64BIT_BINARY ? L"/usr/lib/wine/wine64" : L"wine";
}

std::wstring FileName(const std::wstring& path) {
    const auto slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// The GUI state of a window's thread (all null if it cannot be read).
GUITHREADINFO ThreadInfo(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

// Whether the foreground window's thread holds still: it has handled the
// window's activation (which puts the focus on a control, and until then may
// undo a focus given from outside) and every message sent to it.
bool ForegroundSettled() {
    const HWND front = GetForegroundWindow();
    const GUITHREADINFO info = ThreadInfo(front);
    DWORD_PTR result = 0;
    return front && info.hwndActive == front && info.hwndFocus != nullptr &&
           SendMessageTimeoutW(front, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result) != 0;
}

void Send(std::vector<INPUT> inputs) {
    PollUntil(ForegroundSettled);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// A Unix path (as the build system knows it) on drive Z:, which Wine maps to
// the root.
std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path.front() == L'/') {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        path.insert(0, L"Z:");
    }
    return path;
}

}  // namespace

std::wstring PathFromEnvironment(const wchar_t* variable) {
    std::array<wchar_t, MAX_PATH> buffer{};
    const DWORD length =
        GetEnvironmentVariableW(variable, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    return WindowsPath(std::wstring(buffer.data(), length));
}

std::wstring WindowsPathFromArgument(const char* argument) {
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, argument, -1, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_ACP, 0, argument, -1, wide.data(), static_cast<int>(wide.size()));
    wide.pop_back();
    return WindowsPath(wide);
}

Process::Process(const std::wstring& exe, const Launch& launch) {
    if (exe.empty()) return;
    if (!launch.trace.empty()) {
        StartTraced(exe, launch);
        return;
    }
    std::wstring command_line = L"\"" + exe + L"\"";
    std::wstring environment = Environment(launch.environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

// Wine writes its debug output to the process's Unix standard error, which
// the Win32 standard handles do not reach. The program is therefore started
// through a Unix shell that sends that stream to the trace file, by the
// loader of its own machine, so that it is the one new process of its name;
// it then runs in the same Wine session and is found by that name.
void Process::StartTraced(const std::wstring& exe, const Launch& launch) {
    if (!LimitRelayTrace()) return;
    const std::vector<DWORD> before = ProcessesNamed(exe);
    std::wstring command_line = L"Z:\\bin\\sh -c \"exec " + LoaderFor(exe) + L" '" + UnixPath(exe) +
                                L"' 2>'" + launch.trace + L"'\"";
    auto variables = launch.environment;
    variables.emplace_back(L"WINEDEBUG", L"+relay");
    std::wstring environment = Environment(variables);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION shell{};
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                        &shell)) {
        return;
    }
    CloseHandle(shell.hThread);
    CloseHandle(shell.hProcess);
    PollUntil([&] {
        for (DWORD id : ProcessesNamed(exe)) {
            if (std::find(before.begin(), before.end(), id) != before.end()) continue;
            process_ = OpenProcess(
                PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE,
                FALSE, id);
            if (process_) id_ = id;
            return true;
        }
        return false;
    });
}

Process::~Process() {
    Terminate();
    if (process_) CloseHandle(process_);
}

bool Process::Running() const {
    return Started() && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND Process::WaitMainWindow(DWORD timeout, DWORD step) const {
    HWND main = nullptr;
    PollUntil(
        [&] {
            const auto dialogs = TopLevel(Id(), L"#32770", true);
            if (!dialogs.empty()) main = dialogs.front();
            return main != nullptr || !Running();
        },
        timeout, step);
    return main;
}

std::optional<DWORD> Process::WaitExit(DWORD timeout) const {
    if (!Started() || WaitForSingleObject(process_, timeout) != WAIT_OBJECT_0) return {};
    DWORD status = 0;
    GetExitCodeProcess(process_, &status);
    return status;
}

void Process::Terminate() {
    if (!Running()) return;
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, kPatience);
}

std::optional<Image> Process::ExecutableImage() const {
    HMODULE first = nullptr;
    DWORD needed = 0;
    MODULEINFO info{};
    if (!Started() || !EnumProcessModules(process_, &first, sizeof(first), &needed) || !first ||
        !GetModuleInformation(process_, first, &info, sizeof(info))) {
        return {};
    }
    const auto begin = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
    return Image{begin, begin + info.SizeOfImage};
}

std::optional<SIZE_T> Process::PrivateBytes() const {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!Started() ||
        !GetProcessMemoryInfo(process_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
        return {};
    }
    return std::max(counters.PrivateUsage, counters.PagefileUsage);
}

std::vector<DWORD> ProcessesNamed(const std::wstring& exe) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    const std::wstring name = FileName(exe);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

std::vector<HWND> Boxes(DWORD pid, HWND main) {
    auto dialogs = TopLevel(pid, L"#32770", false);
    std::erase(dialogs, main);
    return dialogs;
}

HWND WaitNewBox(DWORD pid, HWND main, const std::vector<HWND>& known, DWORD timeout) {
    HWND box = nullptr;
    PollUntil(
        [&] {
            for (HWND candidate : Boxes(pid, main)) {
                if (IsWindowVisible(candidate) &&
                    std::find(known.begin(), known.end(), candidate) == known.end()) {
                    box = candidate;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return box;
}

bool WaitGone(HWND window, DWORD timeout) {
    return PollUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout);
}

bool Drain(HWND edit) {
    SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
    PostMessageW(edit, EM_SETMODIFY, TRUE, 0);
    return PollUntil([&] { return SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0; });
}

// A window's text through WM_GETTEXT, wide or narrow as `send` is.
template <typename String>
String TextThrough(HWND window, LRESULT(WINAPI* send)(HWND, UINT, WPARAM, LPARAM)) {
    const auto length = send(window, WM_GETTEXTLENGTH, 0, 0);
    String text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
    const auto copied =
        send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

std::wstring Text(HWND window) {
    // GetWindowText does not ask a window of another process: it returns the
    // text the window was created with, not an edit control's contents.
    return TextThrough<std::wstring>(window, SendMessageW);
}

void SetText(HWND window, const std::wstring& text) {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string AnsiText(HWND window) {
    return TextThrough<std::string>(window, SendMessageA);
}

void SetAnsiText(HWND window, const std::string& text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
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

HWND OpenList(HWND dialog, HWND combo) {
    if (!FocusControl(dialog, combo)) return nullptr;
    PressKey(VK_F4);
    std::vector<HWND> lists;
    PollUntil([&] { return !(lists = PopupsOf(dialog, L"ComboLBox")).empty(); });
    return lists.empty() ? nullptr : lists.front();
}

bool PickFirstEntry(HWND dialog, HWND combo) {
    HWND list = OpenList(dialog, combo);
    if (!list) return false;
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return WaitGone(list);
}

bool BringToFront(HWND window) {
    return PollUntil([&] {
        if (GetForegroundWindow() == window) return ForegroundSettled();
        SetForegroundWindow(window);
        return false;
    });
}

namespace {

// Whether a window's thread has handled several messages sent to it one
// after the other. Between two retrievals a thread handles the messages sent
// to it and then one queued message, so by then whatever input was queued
// before the first has been taken off its queue and handled.
bool HandledQueued(HWND window) {
    for (int i = 0; i < 8; ++i) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool AltKey(HWND dialog, HWND list, WORD key, const std::function<bool()>& done) {
    HWND edit = ComboEdit(list);
    const std::wstring text = Text(edit);
    const auto alone = [&] {
        const bool menu_loop =
            ThreadInfo(dialog).hwndMenuOwner != nullptr && PopupsOf(dialog, L"#32768").empty();
        return menu_loop || Text(edit) != text || SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != 0;
    };
    const ULONGLONG deadline = GetTickCount64() + kPatience;
    while (GetTickCount64() < deadline) {
        if (!FocusControl(dialog, list)) return false;
        PressKey(key, true);
        const auto shown = [&] { return done() || (alone() && Drain(edit) && !done() && alone()); };
        if (!PollUntil(shown, kPatience / 5) && !(HandledQueued(dialog) && shown())) {
            // Nothing shows although the window's thread has taken every
            // message queued before: the keys reached no window of it.
            continue;
        }
        if (done()) return true;
        SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
        PostMessageW(dialog, WM_CANCELMODE, 0, 0);
        SetText(edit, text);
    }
    return false;
}

bool OpenMenu(HWND dialog, HWND list, WORD key) {
    return AltKey(dialog, list, key, [&] { return !PopupsOf(dialog, L"#32768").empty(); });
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
    return ThreadInfo(window).hwndFocus;
}

bool WaitFocus(HWND window, HWND control, DWORD timeout) {
    return PollUntil(
        [&] {
            const HWND focus = FocusOf(window);
            return focus != nullptr && (focus == control || IsChild(control, focus));
        },
        timeout);
}

bool WaitText(HWND window, const std::wstring& text, DWORD timeout) {
    return PollUntil([&] { return Text(window) == text; }, timeout);
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

std::vector<COLORREF> Drawn(LONG width, LONG height, const std::function<void(HDC)>& draw) {
    std::vector<COLORREF> colours;
    if (width <= 0 || height <= 0) return colours;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    GdiFlush();
    const auto* quads = static_cast<const RGBQUAD*>(bits);
    colours.reserve(static_cast<size_t>(width * height));
    for (LONG i = 0; i < width * height; ++i) {
        colours.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return colours;
}

Pixels Capture(const RECT& area) {
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    return {area, Drawn(width, height, [&](HDC memory) {
                HDC screen = GetDC(nullptr);
                BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
                ReleaseDC(nullptr, screen);
            })};
}

RECT ClientOnScreen(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace e2e
