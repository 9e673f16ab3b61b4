// Ending the program while message boxes are open: with an owned box (error,
// About, instructions) open above the exit question, with the window's
// close command arriving while an owned box disables the window, and with
// two exit questions. The program ends only once every box is answered,
// with the status of the confirmed command, leaves no process behind and
// deletes its background brush exactly once.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "hardening_fixture.h"

namespace e2e {
namespace {

// How a box is opened.
enum class Opener {
    Storno,        // the Storno button
    MenuQuit,      // the menu's Ukončit
    CloseCommand,  // the window's close command (WM_SYSCOMMAND, SC_CLOSE)
    CloseMessage,  // WM_CLOSE, as a task manager sends it
    Error,         // OK with the fields empty
    About,         // the menu's About
    Instructions,  // the menu's Návod
};

struct Step {
    enum Kind { kOpen, kIgnored, kAnswer } kind;
    Opener opener;      // what is given
    std::string box;    // the name the case gives the box
    int button = IDOK;  // the answer
};

Step Open(Opener opener, std::string box) {
    return {Step::kOpen, opener, std::move(box)};
}
// Given while the window is disabled: it must open nothing.
Step Ignored(Opener opener) {
    return {Step::kIgnored, opener, {}};
}
Step Press(std::string box, int button) {
    return {Step::kAnswer, Opener::Storno, std::move(box), button};
}

struct ExitCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<DWORD> statuses;  // the exit statuses allowed
};

void PrintTo(const ExitCase& exit_case, std::ostream* out) {
    *out << exit_case.name;
}

const ExitCase kCases[] = {
    {"ErrorOverQuestion_YesThenOk",
     {Open(Opener::Storno, "question"), Open(Opener::Error, "error"), Press("question", IDYES),
      Press("error", IDOK)},
     {2}},
    {"ErrorOverQuestion_OkThenYes",
     {Open(Opener::Storno, "question"), Open(Opener::Error, "error"), Press("error", IDOK),
      Press("question", IDYES)},
     {2}},
    {"AboutOverQuestion_YesThenOk",
     {Open(Opener::Storno, "question"), Open(Opener::About, "about"), Press("question", IDYES),
      Press("about", IDOK)},
     {2}},
    {"InstructionsOverMenuQuestion_YesThenOk",
     {Open(Opener::MenuQuit, "question"), Open(Opener::Instructions, "instructions"),
      Press("question", IDYES), Press("instructions", IDOK)},
     {2000}},
    // A disabled window takes no close command (close box, system menu,
    // Alt+F4): the owned box is answered first.
    {"CloseCommandIgnoredWhileAboutOpen",
     {Open(Opener::About, "about"), Ignored(Opener::CloseCommand), Press("about", IDOK),
      Open(Opener::CloseCommand, "question"), Press("question", IDYES)},
     {2}},
    {"CloseCommandIgnoredWhileErrorOpen",
     {Open(Opener::Error, "error"), Ignored(Opener::CloseCommand), Press("error", IDOK),
      Open(Opener::CloseCommand, "question"), Press("question", IDYES)},
     {2}},
    // WM_CLOSE, which the dialog manager turns into IDCANCEL, still arrives.
    {"CloseMessageWhileErrorOpen",
     {Open(Opener::Error, "error"), Open(Opener::CloseMessage, "question"),
      Press("question", IDYES), Press("error", IDOK)},
     {2}},
    {"CloseMessageWhileAboutOpen",
     {Open(Opener::About, "about"), Open(Opener::CloseMessage, "question"),
      Press("question", IDYES), Press("about", IDOK)},
     {2}},
    {"CloseMessageWhileInstructionsOpen",
     {Open(Opener::Instructions, "instructions"), Open(Opener::CloseMessage, "question"),
      Press("question", IDYES), Press("instructions", IDOK)},
     {2}},
    {"SecondStornoQuestion_YesOnSecondNoOnFirst",
     {Open(Opener::Storno, "first"), Open(Opener::Storno, "second"), Press("second", IDYES),
      Press("first", IDNO)},
     {2}},
    {"SecondMenuQuestion_YesOnSecondNoOnFirst",
     {Open(Opener::Storno, "first"), Open(Opener::MenuQuit, "second"), Press("second", IDYES),
      Press("first", IDNO)},
     {2000}},
    {"SecondMenuQuestion_YesOnFirstNoOnSecond",
     {Open(Opener::Storno, "first"), Open(Opener::MenuQuit, "second"), Press("first", IDYES),
      Press("second", IDNO)},
     {2}},
    {"TwoQuestionsConfirmed_UpperFirst",
     {Open(Opener::Storno, "first"), Open(Opener::MenuQuit, "second"), Press("second", IDYES),
      Press("first", IDYES)},
     {2, 2000}},
    {"TwoQuestionsConfirmed_LowerFirst",
     {Open(Opener::Storno, "first"), Open(Opener::MenuQuit, "second"), Press("first", IDYES),
      Press("second", IDYES)},
     {2, 2000}},
    {"CloseMessageOverQuestionAndAbout",
     {Open(Opener::Storno, "first"), Open(Opener::About, "about"),
      Open(Opener::CloseMessage, "second"), Press("second", IDYES), Press("about", IDOK),
      Press("first", IDNO)},
     {2}},
};

const std::map<Opener, std::wstring> kCaptions = {{Opener::Storno, kExitCaption},
                                                  {Opener::MenuQuit, kExitCaption},
                                                  {Opener::CloseCommand, kExitCaption},
                                                  {Opener::CloseMessage, kExitCaption},
                                                  {Opener::Error, kErrorCaption},
                                                  {Opener::About, kAboutCaption},
                                                  {Opener::Instructions, kInstructionsCaption}};

class ExitWithBoxesOpen : public KalvorProgram, public ::testing::WithParamInterface<ExitCase> {
  protected:
    void Give(Opener opener) const {
        switch (opener) {
            case Opener::Storno:
                PressButton(Item(kStorno));
                break;
            case Opener::MenuQuit:
                PostCommand(main_, kMenuUkoncit);
                break;
            case Opener::CloseCommand:
                PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case Opener::CloseMessage:
                PostMessageW(main_, WM_CLOSE, 0, 0);
                break;
            case Opener::Error:
                PressButton(Item(kOk));
                break;
            case Opener::About:
                PostCommand(main_, kMenuOProgramu);
                break;
            case Opener::Instructions:
                PostCommand(main_, kMenuNavod);
                break;
        }
    }
};

TEST_P(ExitWithBoxesOpen, EndsOnceEveryBoxIsAnsweredAndDeletesTheBrushOnce) {
    const ExitCase& exit_case = GetParam();
    const std::string trace = std::string("exit-") + exit_case.name;
    ASSERT_NO_FATAL_FAILURE(
        Start(ProductExe(), {{}, TracePath(std::wstring(trace.begin(), trace.end()))}));

    std::map<std::string, HWND> boxes;
    for (std::size_t i = 0; i < exit_case.steps.size(); ++i) {
        const Step& step = exit_case.steps[i];
        SCOPED_TRACE(::testing::Message() << "step " << i + 1 << ": " << step.box);
        if (step.kind == Step::kIgnored) {
            const std::vector<HWND> before = OpenBoxes();
            Give(step.opener);
            // Once the command has been handled, a box it opened would exist.
            ASSERT_TRUE(Settle());
            EXPECT_EQ(OpenBoxes(), before) << "the command opened a box";
            continue;
        }
        if (step.kind == Step::kOpen) {
            const std::vector<HWND> known = OpenBoxes();
            Give(step.opener);
            HWND box = WaitBox(known);
            ASSERT_NE(box, nullptr) << "the box did not open";
            EXPECT_EQ(Text(box), kCaptions.at(step.opener));
            // A box appears before it is raised: wait for it to come on top.
            EXPECT_TRUE(PollUntil([&] {
                const std::vector<HWND> open = OpenBoxes();
                return !open.empty() && open.front() == box;
            })) << "not above the boxes already open";
            boxes[step.box] = box;
            continue;
        }
        Answer(boxes.at(step.box), step.button);
        boxes.erase(step.box);
        if (i + 1 == exit_case.steps.size()) break;
        // The case goes on: the program waits for it.
        ASSERT_TRUE(Settle());
        EXPECT_TRUE(process_->Running()) << "ended before the last step";
        for (const auto& [name, box] : boxes) {
            EXPECT_TRUE(IsWindowVisible(box)) << name << " is no longer shown";
        }
    }

    const auto status = process_->WaitExit();
    ASSERT_TRUE(status.has_value()) << "the program did not end";
    EXPECT_NE(std::find(exit_case.statuses.begin(), exit_case.statuses.end(), *status),
              exit_case.statuses.end())
        << "exit status " << *status;
    RecordProperty("exit_status", static_cast<int>(*status));
    std::cout << "[ exit     ] " << exit_case.name << ": exit status " << *status << "\n";
    EXPECT_TRUE(ProcessesNamed(ProductExe()).empty()) << "a process is left behind";

    const auto calls = ProgramTrace();
    const Balance brush = BrushBalance(calls);
    EXPECT_EQ(CountOf(calls, "CreatePatternBrush"), 1u);
    EXPECT_EQ(brush.acquired, 1u);
    // DeleteObject exactly once, on the handle CreatePatternBrush returned.
    EXPECT_EQ(CountOf(calls, "DeleteObject"), 1u);
    EXPECT_EQ(brush.released, 1u);
    EXPECT_EQ(brush.unknown, 0u);
    EXPECT_EQ(brush.failed_releases, 0u);
    EXPECT_EQ(brush.outstanding, 0u);
    const Balance memory = GlobalMemoryBalance(calls);
    EXPECT_EQ(memory.released, memory.acquired);
    EXPECT_EQ(memory.outstanding, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExitWithBoxesOpen, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace e2e
