// Filling the fields and pressing OK: results, the error box and the lists.
#include <gtest/gtest.h>
#include <windows.h>

#include "kalvor_fixture.h"

namespace e2e {
namespace {

const std::wstring kErrorText = L"" TEXT_ERROR;

using Calculation = KalvorWindow;

TEST_F(Calculation, SpeedAndPresetEntriesGiveKnownResults) {
    ExpectUsable();
    EXPECT_TRUE(OpenBoxes().empty());
}

TEST_F(Calculation, SelectingEntriesPutsTheirWholeTextsInTheFields) {
    SetText(Item(kRychlost), L"100");
    for (const auto& [id, entry] : kPresets) {
        SendMessageW(Item(id), CB_SETCURSEL, 0, 0);
        EXPECT_TRUE(WaitText(ComboEdit(Item(id)), entry));
    }
    ASSERT_TRUE(Click(Item(kOk)));
    EXPECT_EQ(Energie(), L"9.403935");
    EXPECT_EQ(Palivo(), L"3.465994");
}

// As a user does it from the keyboard: type into the speed field, open each
// list and pick its entry, then Enter in the speed field, which presses the
// default button OK.
TEST_F(Calculation, TypingPickingAndEnter) {
    HWND speed = Item(kRychlost);
    ASSERT_TRUE(FocusControl(main_, speed));
    Type(L"100");
    ASSERT_TRUE(WaitText(speed, L"100"));

    for (const auto& [id, entry] : kPresets) {
        SCOPED_TRACE(::testing::Message() << "list " << id);
        // Down moves to the entry, Enter takes it and closes the list (and
        // does not press OK).
        ASSERT_TRUE(PickFirstEntry(main_, Item(id)));
        EXPECT_TRUE(WaitText(ComboEdit(Item(id)), entry));
    }

    EXPECT_EQ(Energie(), L"0.00");
    ASSERT_TRUE(FocusControl(main_, speed));
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitText(Item(kEnergie), L"9.403935"));
    EXPECT_EQ(Palivo(), L"3.465994");
}

TEST_F(Calculation, ListFieldsStopAtTheirWidthWhileTheSpeedFieldScrolls) {
    const std::wstring long_text(60, L'7');
    HWND speed = Item(kRychlost);
    HWND list_edit = ComboEdit(Item(kPlocha));
    for (HWND field : {speed, Item(kPlocha)}) {
        ASSERT_TRUE(FocusControl(main_, field));
        Type(long_text);
        // Tab is handled after every typed key: once the focus has moved on,
        // the typing is complete.
        PressKey(VK_TAB);
        ASSERT_TRUE(WaitFocus(main_, field == speed ? Item(kSoucinitel) : Item(kOk)));
    }
    EXPECT_EQ(Text(speed), long_text);
    const std::wstring typed = Text(list_edit);
    EXPECT_GT(typed.size(), 0u);
    EXPECT_LT(typed.size(), long_text.size()) << "the list field scrolled";
    // Picking the entry still puts its whole text in.
    SendMessageW(Item(kPlocha), CB_SETCURSEL, 0, 0);
    EXPECT_EQ(Text(list_edit), kPlochaEntry);
}

struct FailingInput {
    const char* name;
    std::wstring speed, coefficient, heat, area;
    bool computed_before;  // a successful calculation ran first
};

void PrintTo(const FailingInput& input, std::ostream* out) {
    *out << input.name;
}

class FailingCalculation : public KalvorWindow,
                           public ::testing::WithParamInterface<FailingInput> {};

TEST_P(FailingCalculation, ShowsOneErrorBoxAndKeepsTheResults) {
    const FailingInput& input = GetParam();
    std::wstring energie = L"0.00", palivo = L"0.00";
    if (input.computed_before) {
        FillSample();
        ASSERT_TRUE(Click(Item(kOk)));
        energie = L"9.403935";
        palivo = L"3.465994";
        ASSERT_EQ(Energie(), energie);
    }
    Fill(input.speed, input.coefficient, input.heat, input.area);
    PressButton(Item(kOk));

    HWND box = WaitBox();
    ASSERT_NE(box, nullptr);
    const BoxView view = Inspect(box);
    EXPECT_EQ(view.caption, kErrorCaption);
    EXPECT_EQ(view.text, kErrorText);
    EXPECT_EQ(view.buttons, std::vector<DWORD>{IDOK});
    EXPECT_FALSE(view.has_icon);
    EXPECT_EQ(view.owner, main_);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the window stays usable under the error box";

    Answer(box, IDOK);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(OpenBoxes().empty()) << "more than one error box";
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_EQ(Energie(), energie);
    EXPECT_EQ(Palivo(), palivo);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, FailingCalculation,
    ::testing::Values(
        FailingInput{"AllEmpty", L"", L"", L"", L"", false},
        FailingInput{"OnlySpeed", L"100", L"", L"", L"", false},
        FailingInput{"SpeedEmpty", L"", kSoucinitelEntry, kTeploEntry, kPlochaEntry, false},
        FailingInput{"AreaWithoutDigit", L"100", kSoucinitelEntry, kTeploEntry, L"plocha", false},
        FailingInput{"AllEmptyAfterSuccess", L"", L"", L"", L"", true},
        FailingInput{"HeatWithoutDigitAfterSuccess", L"100", kSoucinitelEntry, L"Benzin",
                     kPlochaEntry, true}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace e2e
