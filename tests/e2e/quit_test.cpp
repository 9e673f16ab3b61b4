// Every way of quitting goes through the exit question; its answers, the
// exit status, and what stays possible while the question is open.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <tuple>

#include "kalvor_fixture.h"
#include "resources.h"

namespace e2e {
namespace {

// The middle of the close box, found along the middle of the caption bar by
// asking the window what lies under each point.
POINT CloseBox(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const RECT client = ClientOnScreen(window);
    const LONG border = client.left - frame.left;
    const LONG y = frame.top + border + GetSystemMetrics(SM_CYCAPTION) / 2;
    LONG right = 0;
    for (LONG x = frame.right - 1; x > frame.left; --x) {
        const auto hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit == HTCLOSE && right == 0) right = x;
        if (hit != HTCLOSE && right != 0) return {(x + 1 + right) / 2, y};
    }
    return {right, y};
}

// How many items of the window's system menu come after Close. The platform
// builds that menu (and may add items of its own), and it cannot be read
// across processes: it is read from a copy of the dialog made here.
int SystemMenuItemsAfterClose() {
    const DataFile file(ProductExe());
    const auto bytes = file.Bytes(RT_DIALOG, MAKEINTRESOURCEW(kDialogId));
    if (!bytes) return -1;
    const DialogCopy copy(file.Module(), *bytes);
    HMENU menu = GetSystemMenu(copy.Window(), FALSE);
    int after = -1;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuItemID(menu, i) == SC_CLOSE) {
            after = 0;
        } else if (after >= 0 &&
                   !(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)) {
            ++after;
        }
    }
    return after;
}

struct QuitWay {
    const char* name;
    bool (*start)(HWND main);
    DWORD status;  // after Yes
};

void PrintTo(const QuitWay& way, std::ostream* out) {
    *out << way.name;
}

const QuitWay kQuitWays[] = {
    {"StornoButton",
     [](HWND main) {
         PressButton(GetDlgItem(main, kStorno));
         return true;
     },
     2},
    {"EscapeKey",
     [](HWND main) {
         if (!BringToFront(main)) return false;
         PressKey(VK_ESCAPE);
         return true;
     },
     2},
    {"AltF4",
     [](HWND main) {
         DWORD pid = 0;
         GetWindowThreadProcessId(main, &pid);
         return AltKey(main, GetDlgItem(main, kSoucinitel), VK_F4,
                       [&] { return !Boxes(pid, main).empty(); });
     },
     2},
    {"CloseBoxClicked",
     [](HWND main) {
         if (!BringToFront(main)) return false;
         ClickAt(CloseBox(main));
         // A synthetic click is now and then lost (see driver.h): one more
         // if nothing has opened after a while.
         DWORD pid = 0;
         GetWindowThreadProcessId(main, &pid);
         if (!WaitNewBox(pid, main, {}, 3000)) {
             if (!BringToFront(main)) return false;
             ClickAt(CloseBox(main));
         }
         return true;
     },
     2},
    {"CloseCommand", [](HWND main) { return PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0) != 0; },
     2},
    {"SystemMenuClose",
     [](HWND main) {
         const int after_close = SystemMenuItemsAfterClose();
         // Alt+Space opens the system menu; End selects its last item, and
         // Up moves back to Close.
         if (after_close < 0 || !OpenMenu(main, GetDlgItem(main, kSoucinitel), VK_SPACE)) {
             return false;
         }
         PressKey(VK_END);
         for (int i = 0; i < after_close; ++i) PressKey(VK_UP);
         PressKey(VK_RETURN);
         return true;
     },
     2},
    {"MenuCommand",
     [](HWND main) {
         PostCommand(main, kMenuUkoncit);
         return true;
     },
     2000},
    {"MenuKeys",
     [](HWND main) {
         // Alt+P opens "&Program", U picks "&Ukončit".
         if (!OpenMenu(main, GetDlgItem(main, kSoucinitel), 'P')) return false;
         PressKey('U');
         return true;
     },
     2000},
};

class Quitting : public KalvorWindow,
                 public ::testing::WithParamInterface<std::tuple<QuitWay, bool>> {};

TEST_P(Quitting, AsksFirstThenEndsOrStays) {
    const auto& [way, yes] = GetParam();
    SetText(Item(kRychlost), L"42");
    ASSERT_TRUE(way.start(main_)) << "cannot give the command";
    HWND question = WaitBox();
    ASSERT_NE(question, nullptr);
    const BoxView view = Inspect(question);
    EXPECT_EQ(view.caption, kExitCaption);
    EXPECT_EQ(view.text, kExitText);

    if (yes) {
        Answer(question, IDYES);
        const auto status = process_->WaitExit();
        ASSERT_TRUE(status.has_value()) << "the program did not end";
        EXPECT_EQ(*status, way.status);
    } else {
        Answer(question, IDNO);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(Text(Item(kRychlost)), L"42");
        ExpectUsable();
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, Quitting,
                         ::testing::Combine(::testing::ValuesIn(kQuitWays), ::testing::Bool()),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).name) +
                                    (std::get<1>(test.param) ? "Yes" : "No");
                         });

using ExitQuestion = KalvorWindow;

TEST_F(ExitQuestion, HasNoOwnerAQuestionIconAndNoAsDefault) {
    PressButton(Item(kStorno));
    HWND question = WaitBox();
    ASSERT_NE(question, nullptr);
    BoxView view = Inspect(question);
    std::sort(view.buttons.begin(), view.buttons.end());
    EXPECT_EQ(view.buttons, (std::vector<DWORD>{IDYES, IDNO}));
    EXPECT_TRUE(view.has_icon);
    EXPECT_TRUE(ShowsSystemIcon(question, IDI_QUESTION));
    EXPECT_EQ(view.owner, nullptr);
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_TRUE(IsWindowVisible(main_));

    // No is the default button: it has the focus and the default frame, and
    // Enter answers No. (Wine's message boxes do not report their default
    // through DM_GETDEFID.)
    HWND no = GetDlgItem(question, IDNO);
    EXPECT_EQ(Style(no) & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(Style(GetDlgItem(question, IDYES)) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    EXPECT_EQ(FocusOf(question), no);
    ASSERT_TRUE(BringToFront(question));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitGone(question));
    ExpectUsable();
}

TEST_F(ExitQuestion, WindowWorksWhileItIsOpen) {
    PressButton(Item(kStorno));
    HWND question = WaitBox();
    ASSERT_NE(question, nullptr);

    FillSample();
    PressButton(Item(kOk));
    EXPECT_TRUE(WaitText(Item(kEnergie), L"9.403935"));
    EXPECT_EQ(Palivo(), L"3.465994");

    // Boxes opened above it: the exit cases in tests/hardening/exit_test.cpp.
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(IsWindowVisible(question));
    Answer(question, IDNO);
    ExpectUsable();
}

}  // namespace
}  // namespace e2e
