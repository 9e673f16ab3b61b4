#include "kalvor_fixture.h"

#include "resources.h"

namespace e2e {

namespace {

// The box's icon control, if it shows an icon (a box without one may keep
// an empty icon control).
HWND IconControl(HWND box) {
    for (HWND control : VisibleChildren(box, L"Static")) {
        if ((Style(control) & SS_TYPEMASK) == SS_ICON && SendMessageW(control, STM_GETICON, 0, 0)) {
            return control;
        }
    }
    return nullptr;
}

// An icon drawn over a plain background.
std::vector<COLORREF> DrawnIcon(HICON icon, LONG width, LONG height, COLORREF background) {
    return Drawn(width, height, [&](HDC dc) {
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    });
}

}  // namespace

std::wstring ProductExe() {
    return PathFromEnvironment(L"KALVOR_EXE");
}

std::wstring AllocFailExe() {
    return PathFromEnvironment(L"KALVOR_ALLOCFAIL_EXE");
}

SIZE BaseUnits() {
    const DataFile file(ProductExe());
    const auto bytes = file.Bytes(RT_DIALOG, MAKEINTRESOURCEW(kDialogId));
    if (!bytes) return {};
    return DialogCopy(file.Module(), *bytes).BaseUnits();
}

BoxView Inspect(HWND box) {
    BoxView view;
    view.caption = Text(box);
    view.text = Text(GetDlgItem(box, kBoxText));
    for (HWND button : VisibleChildren(box, L"Button")) view.buttons.push_back(ControlId(button));
    view.has_icon = IconControl(box) != nullptr;
    view.owner = GetWindow(box, GW_OWNER);
    return view;
}

bool ShowsSystemIcon(HWND box, LPCWSTR which) {
    HWND control = IconControl(box);
    if (!control) return false;
    const RECT area = ClientOnScreen(control);
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    HICON icon = LoadIconW(nullptr, which);
    // Pixels that come out the same over two backgrounds are the opaque ones.
    const auto over_magenta = DrawnIcon(icon, width, height, RGB(255, 0, 255));
    const auto over_cyan = DrawnIcon(icon, width, height, RGB(0, 255, 255));
    const auto matches = [&] {
        const Pixels screen = Capture(area);
        if (screen.colours.size() != over_magenta.size()) return false;
        size_t opaque = 0;
        for (size_t i = 0; i < screen.colours.size(); ++i) {
            if (over_magenta[i] != over_cyan[i]) continue;
            ++opaque;
            if (screen.colours[i] != over_magenta[i]) return false;
        }
        return opaque * 4 >= screen.colours.size();
    };
    // The box may not have painted yet.
    return PollUntil(matches, kPatience, 20);
}

void KalvorWindow::Start(const std::wstring& exe, const Launch& launch) {
    // The program's narrow texts are Windows-1250; under any other code page
    // Wine would show (and hand over) different characters.
    ASSERT_EQ(GetACP(), 1250u) << "run the tests in the Czech locale (LC_ALL=cs_CZ.UTF-8)";
    ASSERT_FALSE(exe.empty()) << "the registration names no program to test";
    process_ = std::make_unique<Process>(exe, launch);
    ASSERT_TRUE(process_->Started()) << "cannot start the program";
    trace_ = launch.trace;
    main_ = process_->WaitMainWindow();
    ASSERT_NE(main_, nullptr) << "the main window did not appear";
}

void KalvorWindow::TearDown() {
    if (process_) process_->Terminate();
    if (!trace_.empty() && !HasFailure()) DeleteFileW((L"Z:" + trace_).c_str());
}

std::wstring KalvorWindow::TracePath(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"KALVOR_TRACE_FOLDER", folder, MAX_PATH);
    const bool set = length > 0 && length < MAX_PATH;
    return (set ? std::wstring(folder, length) : L"/tmp") + L"/" + name + L".relay";
}

HWND KalvorWindow::WaitBox(const std::vector<HWND>& known) const {
    HWND box = WaitNewBox(process_->Id(), main_, known);
    EXPECT_NE(box, nullptr) << "no message box opened";
    return box;
}

void KalvorWindow::Answer(HWND box, int button) const {
    HWND control = GetDlgItem(box, button);
    ASSERT_NE(control, nullptr) << "the box has no button " << button;
    ASSERT_TRUE(Click(control));
    ASSERT_TRUE(WaitGone(box)) << "the box stayed open";
}

std::optional<DWORD> KalvorWindow::QuitWithYes() const {
    PressButton(Item(kStorno));
    HWND question = WaitBox();
    if (question == nullptr) return {};
    EXPECT_EQ(Text(question), kExitCaption);
    Answer(question, IDYES);
    return process_->WaitExit();
}

void KalvorWindow::Fill(const std::wstring& speed, const std::wstring& coefficient,
                        const std::wstring& heat, const std::wstring& area) const {
    SetText(Item(kRychlost), speed);
    SetText(Item(kSoucinitel), coefficient);
    SetText(Item(kTeplo), heat);
    SetText(Item(kPlocha), area);
}

void KalvorWindow::ExpectUsable() const {
    ASSERT_TRUE(Settle()) << "the window does not respond";
    EXPECT_TRUE(process_->Running());
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_TRUE(OpenBoxes().empty());
    // Blank the results first so that the known ones must be written anew.
    SetText(Item(kEnergie), L"");
    SetText(Item(kPalivo), L"");
    FillSample();
    ASSERT_TRUE(Click(Item(kOk)));
    EXPECT_EQ(Energie(), L"9.403935");
    EXPECT_EQ(Palivo(), L"3.465994");
}

}  // namespace e2e
