// Drives a running Kalvor window from another process under Wine: starts the
// program (with extra environment or under Wine's relay trace if asked),
// finds its main dialog and its message boxes, reads and writes control
// texts, sends commands and keystrokes, each waiting for the state it should
// produce, and reads the exit status and memory from outside the process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// How long to wait for something the program is expected to do at once.
inline constexpr DWORD kPatience = 10000;

// Polls a condition every `step` ms until it holds or the timeout runs out.
template <typename Condition>
bool PollUntil(Condition condition, DWORD timeout = kPatience, DWORD step = 1) {
    const ULONGLONG deadline = GetTickCount64() + timeout;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(step);
    }
}

// A path given on the command line (in the ANSI code page) as Windows
// programs take it: a Unix path is turned into its form on drive Z:.
std::wstring WindowsPathFromArgument(const char* argument);
// The path of an executable named by an environment variable (set by the
// test registration); empty when the variable is not set.
std::wstring PathFromEnvironment(const wchar_t* variable);

// How a program is started beyond its path.
struct Launch {
    // Variables set (or, with an empty value, removed) for the program.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    // A Unix path: the program runs under Wine's relay trace of kTracedCalls,
    // written there. Empty: no trace.
    std::wstring trace;
};

// The calls that the relay trace reports: those that take and give back
// working memory and the background brush.
inline constexpr const wchar_t* kTracedCalls =
    L"kernel32.GlobalAlloc;kernel32.GlobalFree;gdi32.CreatePatternBrush;gdi32.DeleteObject";

// The address range of a program's executable image in its process.
struct Image {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
    bool Contains(std::uintptr_t address) const { return address >= begin && address < end; }
};

// A started program. Whatever happens to the test, the process does not
// outlive this object: the destructor terminates it if it still runs.
class Process {
  public:
    explicit Process(const std::wstring& exe, const Launch& launch = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    bool Running() const;
    // The visible main dialog, once it has appeared; null if it does not
    // appear in time or the process ends first. Looks every `step` ms.
    HWND WaitMainWindow(DWORD timeout = kPatience, DWORD step = 5) const;
    // The full 32-bit exit status, or nothing if the process still runs
    // after the timeout.
    std::optional<DWORD> WaitExit(DWORD timeout = kPatience) const;
    void Terminate();
    std::optional<Image> ExecutableImage() const;
    // The process's private memory in bytes. Wine leaves PrivateUsage at 0
    // and reports the process's anonymous resident memory (and swap) as
    // PagefileUsage, the figure Windows counts as private: the larger of the
    // two is taken.
    std::optional<SIZE_T> PrivateBytes() const;

  private:
    void StartTraced(const std::wstring& exe, const Launch& launch);

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The ids of the running processes of an executable (by its file name,
// case-insensitive), as the Wine server of this session knows them.
std::vector<DWORD> ProcessesNamed(const std::wstring& exe);

// The dialogs of the process other than the main window, topmost first: the
// message boxes that are open, including one created and not yet shown.
std::vector<HWND> Boxes(DWORD pid, HWND main);
// Waits for a visible message box of the process that is not in `known`.
HWND WaitNewBox(DWORD pid, HWND main, const std::vector<HWND>& known = {},
                DWORD timeout = kPatience);
// Waits until the window is gone or hidden.
bool WaitGone(HWND window, DWORD timeout = kPatience);
// Returns once the thread of an edit control has taken from its queue every
// message posted to its windows before (false if not in time). Posted
// messages leave the queue in order, so afterwards a command posted earlier
// has run, up to the message loop of any box it opened. A posted change of
// the edit control's "modified" flag serves as the marker.
bool Drain(HWND edit);

// Window texts as UTF-16 code units (WM_GETTEXT across processes).
std::wstring Text(HWND window);
void SetText(HWND window, const std::wstring& text);
// The same in the ANSI code page, as the program itself reads its fields.
std::string AnsiText(HWND window);
void SetAnsiText(HWND window, const std::string& text);
std::wstring ClassName(HWND window);
DWORD Style(HWND window);
DWORD ControlId(HWND window);
// Children in creation order (first created first).
std::vector<HWND> Children(HWND parent);
// Visible children of a class, in creation order.
std::vector<HWND> VisibleChildren(HWND parent, const wchar_t* class_name);
// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// Posts a command, as a menu item or a button would; what it opens (modal
// boxes) then runs without blocking the caller.
void PostCommand(HWND dialog, WORD id);
// Presses a button and returns once its command has run: only for commands
// that open no modal box. False if the command has not returned in time.
bool Click(HWND button);
// Presses a button without waiting for its command, which may open a box.
void PressButton(HWND button);
// A combo box's list entries.
std::vector<std::wstring> ListEntries(HWND combo);
// The edit control inside an editable combo box.
HWND ComboEdit(HWND combo);
// Opens a combo box's list from the keyboard (focus on its field, then F4);
// the list's window once it shows, or null.
HWND OpenList(HWND dialog, HWND combo);
// Picks the list's first entry from the keyboard: opens the list, Down
// moves to the entry, Enter takes it; true once the list has closed.
bool PickFirstEntry(HWND dialog, HWND combo);

// Keyboard and mouse, as a user gives them: input goes to the foreground
// window's focused control, and goes out only once that window's thread holds
// still (active, with a focus, every message sent to it handled). Each step
// waits for the state it should produce before the next input goes: keys sent
// in one batch can outrun the state they need (a menu key before its popup is
// open). A synthetic click is now and then lost without a window manager, so
// clicks are used only where the mouse is the point.
bool BringToFront(HWND window);
// Alt+`key` on a dialog, given with the focus in `list` (an editable combo
// box), until `done` holds; false if it does not in time. When a window gains
// the X input focus, Wine brings its key state in line with the X server's,
// which knows nothing of synthetic keys: on a busy machine that can release
// Alt between its press and the key's. A lone Alt starts the menu bar's loop
// (still without a popup once a marker posted after the keys is handled),
// which swallows the key; a lone key shows in the list field (typed, or F4
// opens the list). Each is undone at once and the combination given again;
// so is one that shows nothing once the window's thread has handled all
// input queued before (the keys reached no window of it).
bool AltKey(HWND dialog, HWND list, WORD key, const std::function<bool()>& done);
// Alt+`key` opens a popup menu (a menu bar's, or with Space the system
// menu); false if none opens.
bool OpenMenu(HWND dialog, HWND list, WORD key);
// Brings the dialog to the front and moves its focus to a control, as the
// dialog manager does for Tab (WM_NEXTDLGCTL); false if it does not arrive.
bool FocusControl(HWND dialog, HWND control);
void PressKey(WORD vk, bool with_alt = false);
void Type(const std::wstring& text);
void ClickAt(POINT screen);
// The control that has the keyboard focus in the given window's thread.
HWND FocusOf(HWND window);
// Waits until the focus is on `control` or one of its children.
bool WaitFocus(HWND window, HWND control, DWORD timeout = kPatience);
// Waits until a window's text equals `text`.
bool WaitText(HWND window, const std::wstring& text, DWORD timeout = kPatience);

// Screen pixels, read from the desktop's device context.
struct Pixels {
    RECT area{};
    std::vector<COLORREF> colours;  // row by row, top down

    size_t Count(COLORREF colour) const;
    template <typename Predicate>
    size_t CountIf(Predicate predicate) const {
        size_t count = 0;
        for (COLORREF colour : colours) count += predicate(colour) ? 1u : 0u;
        return count;
    }
};
// Whether each channel of `colour` lies between those of `from` and `to`: a
// pixel of text in `to` drawn over `from`, smoothed or not.
bool Between(COLORREF colour, COLORREF from, COLORREF to);
Pixels Capture(const RECT& screen_area);
// A width x height picture that `draw` paints, row by row, top down.
std::vector<COLORREF> Drawn(LONG width, LONG height, const std::function<void(HDC)>& draw);
RECT ClientOnScreen(HWND window);

}  // namespace e2e
