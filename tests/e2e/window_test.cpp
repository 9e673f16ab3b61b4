// The live main window: frame, controls, start state and keyboard order.
#include <gtest/gtest.h>
#include <windows.h>

#include "kalvor_fixture.h"
#include "layout.h"

namespace e2e {
namespace {

// The bits of a style that select the kind of control, which must match
// exactly (BS_PUSHBUTTON and SS_LEFT are 0).
DWORD KindBits(const std::wstring& window_class, DWORD style) {
    if (lstrcmpiW(window_class.c_str(), L"Button") == 0) return style & BS_TYPEMASK;
    if (lstrcmpiW(window_class.c_str(), L"Static") == 0) return style & SS_TYPEMASK;
    if (lstrcmpiW(window_class.c_str(), L"ComboBox") == 0) return style & 3;
    return 0;
}

using Window = KalvorWindow;

TEST_F(Window, FrameCaptionMenuAndPlacement) {
    EXPECT_EQ(Text(main_), L"" TEXT_CAPTION);
    const DWORD style = Style(main_);
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(style & frame, frame) << std::hex << style;
    EXPECT_EQ(style & WS_THICKFRAME, 0u) << "the window has a sizing border";
    EXPECT_EQ(GetWindow(main_, GW_OWNER), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_NE(GetMenu(main_), nullptr) << "no menu bar";
    // The window sets no icon of its own.
    EXPECT_EQ(SendMessageW(main_, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(SendMessageW(main_, WM_GETICON, ICON_SMALL, 0), 0);

    const SIZE base = BaseUnits();
    ASSERT_GT(base.cx, 0);
    RECT client{};
    GetClientRect(main_, &client);
    EXPECT_EQ(client.right, Horizontal(kDialogWidth, base));
    EXPECT_EQ(client.bottom, Vertical(kDialogHeight, base));

    // Centred on the screen (to the pixel, up to the rounding of halves).
    RECT frame_rect{}, work{};
    GetWindowRect(main_, &frame_rect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const LONG dx = (frame_rect.left + frame_rect.right) - (work.left + work.right);
    const LONG dy = (frame_rect.top + frame_rect.bottom) - (work.top + work.bottom);
    EXPECT_LE(std::abs(dx), 2) << "not centred horizontally";
    EXPECT_LE(std::abs(dy), 2) << "not centred vertically";
}

TEST_F(Window, ControlsInCreationOrderMatchLayout) {
    const SIZE base = BaseUnits();
    ASSERT_GT(base.cx, 0);
    const auto children = Children(main_);
    ASSERT_EQ(children.size(), kLayout.size());
    for (size_t i = 0; i < kLayout.size(); ++i) {
        const ControlLayout& want = kLayout[i];
        HWND control = children[i];
        SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " (id " << want.id << ")");
        const std::wstring window_class = ClassName(control);
        EXPECT_EQ(lstrcmpiW(window_class.c_str(), want.window_class), 0)
            << ::testing::PrintToString(window_class);
        EXPECT_EQ(ControlId(control), want.id);
        EXPECT_EQ(static_cast<DWORD>(GetDlgCtrlID(control)), want.id);
        EXPECT_EQ(Text(control), want.text);

        // The platform adds bits of its own and moves some: a plain border
        // becomes a sunken edge (extended style), and a combo box hands its
        // scroll bar to its drop-down list. The other listed bits must all be
        // there, the kind of control exactly, and the keyboard-navigation
        // bits neither more nor less.
        const DWORD style = Style(control);
        const DWORD kept = want.style & ~static_cast<DWORD>(WS_BORDER | WS_VSCROLL);
        EXPECT_EQ(style & kept, kept) << std::hex << "style 0x" << style;
        if (want.style & WS_BORDER) {
            const auto ex_style = static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE));
            EXPECT_TRUE((style & WS_BORDER) || (ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)))
                << "no border";
        }
        EXPECT_EQ(KindBits(window_class, style), KindBits(window_class, want.style));
        EXPECT_EQ(style & (WS_TABSTOP | WS_GROUP), want.style & (WS_TABSTOP | WS_GROUP));

        const RECT rect = RectInParent(control);
        EXPECT_EQ(rect.left, Horizontal(want.x, base));
        EXPECT_EQ(rect.top, Vertical(want.y, base));
        EXPECT_EQ(rect.right - rect.left, Horizontal(want.cx, base));
        // A closed combo box is as high as its field; the template height
        // includes the drop-down list.
        if (lstrcmpiW(window_class.c_str(), L"ComboBox") != 0) {
            EXPECT_EQ(rect.bottom - rect.top, Vertical(want.cy, base));
        }
    }
}

TEST_F(Window, ThicknessLabelLiesBeyondTheNormalWindow) {
    HWND label = Item(kTloustka);
    ASSERT_NE(label, nullptr);
    RECT client{};
    GetClientRect(main_, &client);
    EXPECT_GE(RectInParent(label).left, client.right);
}

TEST_F(Window, StartsWithEmptyFieldsZeroResultsAndOnePresetPerList) {
    EXPECT_EQ(Text(Item(kRychlost)), L"");
    EXPECT_EQ(Energie(), L"0.00");
    EXPECT_EQ(Palivo(), L"0.00");
    for (const auto& [id, entry] : kPresets) {
        SCOPED_TRACE(::testing::Message() << "list " << id);
        HWND combo = Item(id);
        EXPECT_EQ(ListEntries(combo), std::vector<std::wstring>{entry});
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR) << "an entry is selected";
        EXPECT_EQ(Text(combo), L"");
        EXPECT_EQ(Text(ComboEdit(combo)), L"");
    }
}

TEST_F(Window, TabCyclesThroughButtonsSpeedAndLists) {
    const HWND cycle[] = {Item(kOk),         Item(kStorno), Item(kRychlost),
                          Item(kSoucinitel), Item(kTeplo),  Item(kPlocha)};
    // The dialog manager's tab order...
    for (size_t i = 0; i < std::size(cycle); ++i) {
        HWND next = GetNextDlgTabItem(main_, cycle[i], FALSE);
        EXPECT_EQ(next, cycle[(i + 1) % std::size(cycle)]) << "after tab stop " << i;
    }
    // ...and the Tab key, starting in the speed field.
    ASSERT_TRUE(FocusControl(main_, Item(kRychlost)));
    for (size_t step = 1; step <= std::size(cycle); ++step) {
        PressKey(VK_TAB);
        EXPECT_TRUE(WaitFocus(main_, cycle[(2 + step) % std::size(cycle)]))
            << "Tab number " << step;
    }
}

}  // namespace
}  // namespace e2e
