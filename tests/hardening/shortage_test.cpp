// Memory shortage, with the test build that refuses every Nth working block:
// a calculation without all four blocks reads and shows nothing (no error
// box, results unchanged), one with all four computes as usual, the window
// stays usable, and every block obtained is given back.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>

#include "hardening_fixture.h"

namespace e2e {
namespace {

// The blocks the test build hands out: it counts every request of the run
// and refuses each Nth; a calculation asks for its four in turn and stops
// at the first refusal.
class RefusingBuild {
  public:
    explicit RefusingBuild(unsigned every) : every_(every) {}
    // How many blocks the next calculation obtains (4: all of them).
    unsigned NextCalculation() {
        for (unsigned obtained = 0; obtained < 4; ++obtained) {
            if (++requests_ % every_ == 0) return obtained;
        }
        return 4;
    }

  private:
    unsigned every_;
    unsigned long requests_ = 0;
};

constexpr std::size_t kPresses = 12;

class MemoryShortage : public KalvorProgram, public ::testing::WithParamInterface<unsigned> {};

TEST_P(MemoryShortage, RefusedCalculationsShowNothingAndReleaseWhatTheyGot) {
    const unsigned every = GetParam();
    Launch launch = RefusingEvery(every);
    launch.trace = TracePath(L"shortage-" + std::to_wstring(every));
    ASSERT_NO_FATAL_FAILURE(Start(AllocFailExe(), launch));

    RefusingBuild build(every);
    std::size_t blocks = 0;
    std::size_t had_blocks = 0;
    std::size_t refused = 0;
    for (std::size_t press = 0; press < kPresses; ++press) {
        SCOPED_TRACE(::testing::Message() << "press " << press + 1);
        // Two presses with digits, two without, and so on: without its blocks
        // a calculation must not even find out that a field holds no digit,
        // and with them it opens the error box.
        Fields fields = SampleFields();
        fields[0] = press / 2 % 2 == 0 ? std::to_string(60 + press) : "";
        Fill(fields);
        const unsigned obtained = build.NextCalculation();
        blocks += obtained;
        if (obtained == 4) {
            ++had_blocks;
            ASSERT_TRUE(CheckCalculation(ExpectedOutcome(fields)));
            continue;
        }
        ++refused;
        MarkResults();
        // No box may open, so the press returns once the command has run.
        ASSERT_TRUE(Click(Item(kOk))) << "OK did not return: a box opened?";
        EXPECT_TRUE(OpenBoxes().empty()) << "a box opened";
        EXPECT_TRUE(ResultsMarked()) << "results changed";
        ASSERT_TRUE(Responsive());
    }
    std::cout << "[ shortage ] every " << every << ". block refused: " << had_blocks
              << " calculations had all blocks, " << refused << " did not\n";

    // Still usable: the menu's About box opens and closes, and quitting works.
    PostCommand(main_, kMenuOProgramu);
    HWND about = WaitBox();
    ASSERT_NE(about, nullptr) << "the About box did not open";
    EXPECT_EQ(Text(about), kAboutCaption);
    Answer(about, IDOK);
    const auto status = QuitWithYes();
    ASSERT_TRUE(status.has_value()) << "the program did not end";
    EXPECT_EQ(*status, 2u);

    const auto calls = ProgramTrace();
    const Balance memory = GlobalMemoryBalance(calls);
    std::cout << "[ shortage ] GlobalAlloc " << CountOf(calls, "GlobalAlloc") << " ("
              << memory.acquired << " blocks), GlobalFree " << memory.released << "\n";
    // A refused block is refused before the platform is asked.
    EXPECT_EQ(CountOf(calls, "GlobalAlloc"), blocks);
    EXPECT_EQ(memory.acquired, blocks);
    EXPECT_EQ(memory.released, memory.acquired);
    EXPECT_EQ(memory.outstanding, 0u);
    EXPECT_EQ(memory.unknown, 0u);
    EXPECT_EQ(memory.failed_releases, 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryNthBlock, MemoryShortage, ::testing::Values(1u, 2u, 3u, 4u, 5u),
                         [](const auto& test) { return "Every" + std::to_string(test.param); });

}  // namespace
}  // namespace e2e
