#include "hardening_fixture.h"

namespace e2e {
namespace {

// What the calculation can never write into a result field.
constexpr char kMark[] = "#";

}  // namespace

Fields SampleFields() {
    return {"100", "Osobn\xed automobil 0.3", "Benzin 45.22", "Osobn\xed automobil 2.25"};
}

calc::DragOutcome ExpectedOutcome(const Fields& held) {
    Fields read;
    for (const std::string& text : held) read.push_back(text.substr(0, calc::kFieldTextLimit));
    return calc::ComputeDrag({read[0].c_str(), read[1].c_str(), read[2].c_str(), read[3].c_str()});
}

Launch RefusingEvery(unsigned every) {
    return {{{L"KALVOR_FAIL_ALLOC_EVERY", std::to_wstring(every)}}, {}};
}

void KalvorProgram::Start(const std::wstring& exe, const Launch& launch) {
    ASSERT_NO_FATAL_FAILURE(KalvorWindow::Start(exe, launch));
    if (!launch.trace.empty()) {
        const auto image = process_->ExecutableImage();
        ASSERT_TRUE(image.has_value()) << "cannot find the program's image";
        image_ = *image;
    }
}

void KalvorProgram::Fill(const Fields& fields) const {
    for (std::size_t i = 0; i < fields.size(); ++i) SetAnsiText(Item(kInputs[i]), fields[i]);
}

Fields KalvorProgram::Held() const {
    Fields held;
    for (int id : kInputs) held.push_back(AnsiText(Item(id)));
    return held;
}

void KalvorProgram::MarkResults() const {
    SetAnsiText(Item(kEnergie), kMark);
    SetAnsiText(Item(kPalivo), kMark);
}

bool KalvorProgram::ResultsMarked() const {
    return AnsiText(Item(kEnergie)) == kMark && AnsiText(Item(kPalivo)) == kMark;
}

bool KalvorProgram::Responsive() const {
    DWORD_PTR result = 0;
    return process_->Running() &&
           SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kPatience, &result) != 0;
}

bool KalvorProgram::CheckCalculation(const calc::DragOutcome& expected) const {
    MarkResults();
    if (expected.status == calc::DragStatus::Ok) {
        // The press returns once the command has run, which it cannot while
        // a box it opened is waiting for an answer.
        if (!Click(Item(kOk))) {
            ADD_FAILURE() << "OK did not return: " << OpenBoxes().size() << " box(es) open";
            for (HWND box : OpenBoxes()) PostMessageW(box, WM_COMMAND, IDOK, 0);
            return false;
        }
        const std::string power = AnsiText(Item(kEnergie));
        const std::string fuel = AnsiText(Item(kPalivo));
        EXPECT_EQ(power, expected.powerText.data());
        EXPECT_EQ(fuel, expected.fuelText.data());
        return power == expected.powerText.data() && fuel == expected.fuelText.data();
    }

    PressButton(Item(kOk));
    HWND box = WaitNewBox(process_->Id(), main_);
    if (box == nullptr) {
        ADD_FAILURE() << "no error box opened";
        return false;
    }
    const std::wstring caption = Text(box);
    EXPECT_EQ(caption, kErrorCaption);
    // Answered by a posted press: once the window has handled what was posted
    // after it, the command has run to its end.
    PressButton(GetDlgItem(box, IDOK));
    const bool settled = Settle();
    EXPECT_TRUE(settled) << "the window does not respond";
    const bool one_box = !IsWindow(box) && OpenBoxes().empty();
    EXPECT_TRUE(one_box) << "the box stayed, or another one opened";
    const bool unchanged = ResultsMarked();
    EXPECT_TRUE(unchanged) << "results changed: " << AnsiText(Item(kEnergie)) << " / "
                           << AnsiText(Item(kPalivo));
    return caption == kErrorCaption && settled && one_box && unchanged;
}

}  // namespace e2e
