// The Help menu's boxes: About and the instructions.
#include <gtest/gtest.h>
#include <windows.h>

#include "kalvor_fixture.h"

namespace e2e {
namespace {

struct HelpBox {
    const char* name;
    WORD command;
    std::wstring caption;
    std::wstring text;
};

void PrintTo(const HelpBox& box, std::ostream* out) {
    *out << box.name;
}

const HelpBox kHelpBoxes[] = {
    {"About", kMenuOProgramu, kAboutCaption, L"" TEXT_ABOUT},
    {"Instructions", kMenuNavod, kInstructionsCaption, L"" TEXT_INSTRUCTIONS},
};

class HelpBoxes : public KalvorWindow, public ::testing::WithParamInterface<HelpBox> {};

TEST_P(HelpBoxes, ShowTheirTextOwnedByTheWindow) {
    const HelpBox& expected = GetParam();
    FillSample();
    PostCommand(main_, expected.command);
    HWND box = WaitBox();
    ASSERT_NE(box, nullptr);
    const BoxView view = Inspect(box);
    EXPECT_EQ(view.caption, expected.caption);
    EXPECT_EQ(view.text, expected.text);
    EXPECT_EQ(view.buttons, std::vector<DWORD>{IDOK});
    EXPECT_TRUE(view.has_icon);
    EXPECT_TRUE(ShowsSystemIcon(box, IDI_INFORMATION));
    EXPECT_EQ(view.owner, main_);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the window stays usable under the box";

    Answer(box, IDOK);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(OpenBoxes().empty());
    EXPECT_TRUE(IsWindowEnabled(main_));
    // Nothing else changed.
    EXPECT_EQ(Text(Item(kRychlost)), L"100");
    EXPECT_EQ(Energie(), L"0.00");
    EXPECT_EQ(Palivo(), L"0.00");
}

INSTANTIATE_TEST_SUITE_P(Menu, HelpBoxes, ::testing::ValuesIn(kHelpBoxes),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace e2e
