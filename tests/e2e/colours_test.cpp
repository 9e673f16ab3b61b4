// The window's colours as they reach the screen: green background, light
// texts, system colours for push buttons and message boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>

#include "kalvor_fixture.h"

namespace e2e {
namespace {

constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kCyan = RGB(160, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 160);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLightBlue = RGB(160, 160, 255);

class Colours : public KalvorWindow {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(KalvorWindow::SetUp());
        base_ = BaseUnits();
        ASSERT_GT(base_.cx, 0);
    }

    // A rectangle given in the window's dialog units, on the screen.
    RECT Units(short x, short y, short cx, short cy) const {
        POINT origin{Horizontal(x, base_), Vertical(y, base_)};
        ClientToScreen(main_, &origin);
        return {origin.x, origin.y, origin.x + Horizontal(cx, base_),
                origin.y + Vertical(cy, base_)};
    }

    // The screen area once it shows what is expected, or as it last was: the
    // window may still be painting.
    static Pixels Painted(const RECT& area, const std::function<bool(const Pixels&)>& done) {
        Pixels pixels;
        PollUntil(
            [&] {
                pixels = Capture(area);
                return done(pixels);
            },
            kPatience / 2, 20);
        return pixels;
    }

    // Text in `text` on plain green, and nothing else: the text colour itself
    // shows, every pixel lies between it and the green (smoothed edges blend
    // the two), and most of the area is that exact green. False, with nothing
    // checked, when what is read is no longer `shown`, or is not right and
    // this is not the `last` look.
    static bool ExpectTextOnGreen(
        const RECT& area, COLORREF text, const char* what,
        const std::function<bool()>& shown = [] { return true; }, bool last = true) {
        const auto on_green = [text](COLORREF c) { return Between(c, kGreen, text); };
        const auto green_ground = [](const Pixels& p) {
            return 2 * p.Count(kGreen) > p.colours.size();
        };
        const auto right = [&](const Pixels& p) {
            return p.Count(text) > 0 && green_ground(p) && p.CountIf(on_green) == p.colours.size();
        };
        const Pixels pixels = Painted(area, [&](const Pixels& p) { return !shown() || right(p); });
        if (!shown() || (!last && !right(pixels))) return false;
        EXPECT_GT(pixels.Count(text), 0u) << what << ": no text in its colour";
        EXPECT_TRUE(green_ground(pixels)) << what << ": not on the window's green";
        EXPECT_EQ(pixels.CountIf(on_green), pixels.colours.size()) << what << ": other colours";
        return true;
    }

    // How far the screen shows the client area from where its rectangle
    // says: nowhere on Wine 8. Wine 10 keeps a window larger than the screen
    // (the maximised one, its frame and caption beyond the edges) within the
    // screen, drawn from the window's own corner. The first green pixel below
    // the menu bar and right of the frame tells, once the window is painted.
    static SIZE ShownOffset(const RECT& client) {
        const auto first_green = [](const Pixels& line) {
            return std::find(line.colours.begin(), line.colours.end(), kGreen) -
                   line.colours.begin();
        };
        const auto green = [](const Pixels& p) { return p.Count(kGreen) > 0; };
        const LONG x = client.right - 40, y = client.bottom - 40;
        return {static_cast<LONG>(first_green(Painted({0, y, client.left + 40, y + 1}, green))) -
                    client.left,
                static_cast<LONG>(first_green(Painted({x, 0, x + 1, client.top + 40}, green))) -
                    client.top};
    }

    static bool AllGreen(const Pixels& pixels) {
        return pixels.Count(kGreen) == pixels.colours.size();
    }

    SIZE base_{};
};

TEST_F(Colours, GreenBackgroundWithLightTexts) {
    // Window background left of the group boxes, inside both group boxes
    // below their controls.
    for (const RECT& area :
         {Units(1, 20, 5, 200), Units(20, 170, 100, 50), Units(155, 195, 110, 25)}) {
        EXPECT_TRUE(AllGreen(Painted(area, AllGreen))) << "background not plain green";
    }
    // First text lines of labels, and the result fields inside their borders.
    ExpectTextOnGreen(Units(12, 27, 120, 8), kCyan, "speed label");
    ExpectTextOnGreen(Units(149, 27, 130, 8), kCyan, "power label");
    ExpectTextOnGreen(Units(157, 166, 115, 16), kCyan, "note");
    ExpectTextOnGreen(ClientOnScreen(Item(kEnergie)), kCyan, "power result");
    ExpectTextOnGreen(ClientOnScreen(Item(kPalivo)), kCyan, "fuel result");
    // Group box captions: light cyan on green among the frame's lines.
    const Pixels caption =
        Painted(Units(12, 14, 40, 8), [](const Pixels& p) { return p.Count(kCyan) > 0; });
    EXPECT_GT(caption.Count(kCyan), 0u) << "group box caption";
}

TEST_F(Colours, TypedTextIsWhiteOnGreen) {
    Fill(L"100", kSoucinitelEntry, kTeploEntry, kPlochaEntry);
    ExpectTextOnGreen(ClientOnScreen(Item(kRychlost)), kWhite, "speed field");
    for (int id : {kSoucinitel, kTeplo, kPlocha}) {
        ExpectTextOnGreen(ClientOnScreen(ComboEdit(Item(id))), kWhite, "list field");
    }
}

TEST_F(Colours, PushButtonsKeepSystemColours) {
    for (int id : {kOk, kStorno}) {
        const RECT area = ClientOnScreen(Item(id));
        const Pixels pixels =
            Painted(area, [](const Pixels& p) { return p.Count(GetSysColor(COLOR_BTNFACE)) > 0; });
        EXPECT_GT(pixels.Count(GetSysColor(COLOR_BTNFACE)), 0u) << "button " << id;
        EXPECT_EQ(pixels.Count(kGreen), 0u) << "button " << id;
    }
}

// The entries of an opened list are light blue on green, their rows filled
// with the same green as the window.
TEST_F(Colours, OpenListIsLightBlueOnGreen) {
    HWND combo = Item(kTeplo);
    const auto dropped = [&] { return SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; };
    // On a busy machine the list may lose the focus as it opens, which
    // closes it, or Wine may leave it under the dialog on the X server (whose
    // pixels then show where it is): it is then opened again.
    bool read = false;
    for (int attempt = 0; attempt < 3 && !read; ++attempt) {
        HWND list = OpenList(main_, combo);
        ASSERT_NE(list, nullptr) << "the list did not open";
        read = ExpectTextOnGreen(ClientOnScreen(list), kLightBlue, "opened list", dropped,
                                 attempt == 2);
        if (!read) SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
    EXPECT_TRUE(read) << "the list closed each time before it was read";
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(Colours, MaximisedWindowIsGreenAndShowsTheYellowLabel) {
    PostMessageW(main_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(Settle());
    if (!IsZoomed(main_)) GTEST_SKIP() << "this display cannot maximise windows";
    HWND label = Item(kTloustka);
    RECT client{};
    GetClientRect(main_, &client);
    const RECT rect = RectInParent(label);
    ASSERT_LE(rect.right, client.right) << "the label is still out of view";
    const RECT screen = ClientOnScreen(main_);
    const SIZE shown = ShownOffset(screen);
    RECT area = ClientOnScreen(label);
    OffsetRect(&area, shown.cx, shown.cy);
    ExpectTextOnGreen(area, kYellow, "thickness label");
    // The enlarged area far from the controls, at the screen's corner.
    const RECT corner{screen.right - 40, screen.bottom - 40, screen.right, screen.bottom};
    EXPECT_TRUE(AllGreen(Painted(corner, AllGreen)));
}

TEST_F(Colours, MessageBoxesKeepSystemColours) {
    for (WORD command :
         {kMenuOProgramu, kMenuNavod, static_cast<WORD>(IDOK), static_cast<WORD>(IDCANCEL)}) {
        PostCommand(main_, command);
        HWND box = WaitBox();
        ASSERT_NE(box, nullptr);
        // A box not yet painted shows neither colour: wait for its face.
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const Pixels pixels = Painted(ClientOnScreen(box), [face](const Pixels& p) {
            return p.Count(kGreen) == 0 && p.Count(face) > 0;
        });
        EXPECT_EQ(pixels.Count(kGreen), 0u) << ::testing::PrintToString(Text(box));
        EXPECT_GT(pixels.Count(face), 0u) << ::testing::PrintToString(Text(box));
        Answer(box, command == IDCANCEL ? IDNO : IDOK);
        ASSERT_TRUE(Settle());
    }
}

}  // namespace
}  // namespace e2e
