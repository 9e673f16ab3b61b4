// Hostile and huge input through the window: whatever the fields hold, OK
// either writes the results that the calculation core gives for the first
// 65,534 characters of each field, or opens exactly one error box and leaves
// the results as they were; the program neither crashes nor hangs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "hardening_fixture.h"

namespace e2e {
namespace {

using calc::DragOutcome;

struct InputCase {
    std::string name;
    Fields fields;
};

// A case with `text` in one field and the sample texts in the others.
InputCase InField(std::string name, std::size_t field, const std::string& text) {
    Fields fields = SampleFields();
    fields[field] = text;
    return {std::move(name) + " in field " + std::to_string(field), std::move(fields)};
}

std::string Hex(unsigned value) {
    const char digits[] = "0123456789abcdef";
    return {'0', 'x', digits[(value >> 4) & 15], digits[value & 15]};
}

std::string Repeat(const std::string& piece, std::size_t count) {
    std::string text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

// Texts of huge fields; each is described by what it tests.
struct HugeText {
    const char* name;
    std::string text;
    // The limit of 65,534 characters decides the outcome.
    bool cut_matters;
};

// Texts mostly of letters and spaces, which Wine's edit control takes and
// lays out in a fraction of a second.
std::vector<HugeText> HugeTexts() {
    const std::size_t n = calc::kFieldTextLimit;
    return {
        {"letters to the limit", std::string(n, 'x'), false},
        {"accented letters to the limit", std::string(n, '\xe1'), false},
        {"signs and points to the limit", Repeat("-+.eE", n / 5) + "-+.e", false},
        {"digit as the last character read", std::string(n - 1, 'x') + "7", true},
        {"digit just past the limit", std::string(n, 'x') + "7", true},
        {"70000 with digits beyond the limit", std::string(n, ' ') + std::string(70000 - n, '8'),
         true},
        {"100000 letters then a number", std::string(99990, 'a') + "1234567890", true},
    };
}

// Texts of 65,534 digits and more. Wine's edit control takes seconds for
// each (its bidirectional-text analysis grows with the square of a run of
// digits), so these go into one field only.
std::vector<HugeText> HugeDigitTexts() {
    const std::size_t n = calc::kFieldTextLimit;
    return {
        {"nines to the limit", std::string(n, '9'), false},
        {"long exponent to the limit", "2.5e" + std::string(n - 5, '0') + "1", false},
        {"exponent digit just past the limit", "5e" + std::string(n - 2, '0') + "2", true},
    };
}

bool SameOutcome(const DragOutcome& a, const DragOutcome& b) {
    return a.status == b.status && std::string(a.powerText.data()) == b.powerText.data() &&
           std::string(a.fuelText.data()) == b.fuelText.data();
}

// Whether reading one character fewer of the field, or all of it, would
// give another outcome than reading at most 65,534 characters.
bool DecidedByLimit(const Fields& held, std::size_t field) {
    Fields shorter = held;
    shorter[field].resize(std::min(shorter[field].size(), calc::kFieldTextLimit - 1));
    const auto whole =
        calc::ComputeDrag({held[0].c_str(), held[1].c_str(), held[2].c_str(), held[3].c_str()});
    const DragOutcome expected = ExpectedOutcome(held);
    return !SameOutcome(ExpectedOutcome(shorter), expected) || !SameOutcome(whole, expected);
}

class HostileInput : public KalvorProgram {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Start(ProductExe())); }
    void TearDown() override {
        KalvorProgram::TearDown();
        std::cout << "[ inputs   ] " << tried_ << " inputs tried: " << computed_ << " computed, "
                  << refused_ << " error boxes\n";
        RecordProperty("inputs_tried", static_cast<int>(tried_));
    }

    // The fields as they stand now (set or pasted), checked.
    void CheckHeld(const std::string& name) {
        SCOPED_TRACE(name);
        const Fields held = Held();
        const DragOutcome expected = ExpectedOutcome(held);
        ++tried_;
        (expected.status == calc::DragStatus::Ok ? computed_ : refused_)++;
        CheckCalculation(expected);
        ASSERT_TRUE(Responsive()) << "the program no longer responds";
    }

    // A huge text put into one field, the others holding the sample texts.
    void CheckSet(const HugeText& huge, std::size_t field) {
        const InputCase input = InField(huge.name, field, huge.text);
        Fill(input.fields);
        const Fields held = Held();
        std::cout << "[ held     ] " << input.name << ": " << held[field].size() << " of "
                  << huge.text.size() << " characters\n";
        if (huge.cut_matters) {
            EXPECT_EQ(held[field], huge.text) << input.name << ": the control cut the text";
            EXPECT_TRUE(DecidedByLimit(held, field)) << input.name << " does not test the limit";
        }
        ASSERT_NO_FATAL_FAILURE(CheckHeld(input.name));
    }

    // A text pasted into one emptied field, the others holding the samples.
    void CheckPasted(const HugeText& huge, std::size_t field) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, huge.text.size() + 1);
        ASSERT_NE(memory, nullptr);
        std::copy(huge.text.c_str(), huge.text.c_str() + huge.text.size() + 1,
                  static_cast<char*>(GlobalLock(memory)));
        GlobalUnlock(memory);
        EXPECT_NE(SetClipboardData(CF_TEXT, memory), nullptr);
        CloseClipboard();

        const InputCase input = InField(std::string(huge.name) + " pasted", field, "");
        Fill(input.fields);
        SendMessageA(Item(kInputs[field]), WM_PASTE, 0, 0);
        const std::string held = AnsiText(Item(kInputs[field]));
        std::cout << "[ held     ] " << input.name << ": " << held.size() << " of "
                  << huge.text.size() << " characters\n";
        EXPECT_FALSE(held.empty()) << input.name << ": nothing pasted";
        EXPECT_EQ(held, huge.text.substr(0, held.size())) << input.name << ": not what was pasted";
        ASSERT_NO_FATAL_FAILURE(CheckHeld(input.name));
    }

    void Check(const std::vector<InputCase>& cases) {
        for (const InputCase& input : cases) {
            Fill(input.fields);
            ASSERT_NO_FATAL_FAILURE(CheckHeld(input.name));
        }
    }

    std::size_t tried_ = 0;
    std::size_t computed_ = 0;
    std::size_t refused_ = 0;
};

// Each byte value in five roles: before and inside the integer part, after
// the fraction, after the exponent letter and at the end of a field. Then
// all of them in one text (whose digits read as 123456789), in each field;
// all but the digits, where no byte may count as a digit; and the upper half
// (the accented letters of code page 1250 among them) alone.
TEST_F(HostileInput, EveryByteValue) {
    std::vector<InputCase> cases;
    std::string all;
    std::string all_but_digits;
    std::string upper_half;
    for (unsigned value = 1; value <= 255; ++value) {
        const std::string b(1, static_cast<char>(value));
        all += b;
        if (value < '0' || value > '9') all_but_digits += b;
        if (value >= 0x80) upper_half += b;
        cases.push_back({"byte " + Hex(value),
                         {b + "12" + b + "5", "0.3" + b + "7", "45.22e" + b + "1", "2.25" + b}});
    }
    for (std::size_t field = 0; field < 4; ++field) {
        cases.push_back(InField("all bytes", field, all));
        cases.push_back(InField("all bytes but the digits", field, all_but_digits));
        cases.push_back(InField("bytes 0x80 to 0xff", field, upper_half));
    }
    Check(cases);
}

// Signs, points and exponent letters before, inside and after the digits of
// a number, alone, doubled, and control characters among digits.
TEST_F(HostileInput, SignsPointsExponentsAndControlCharacters) {
    std::vector<InputCase> cases;
    std::size_t next_field = 0;
    const auto add = [&](const std::string& name, const std::string& text) {
        cases.push_back(InField(name + " '" + text + "'", next_field, text));
        next_field = (next_field + 1) % 4;
    };
    const std::string marks[] = {"-", "+", ".", "e", "E", "--", "..", "ee", "e-", "e+", "E+", "-."};
    for (const std::string base : {"12.5e3", "7", "0.25", "3e2"}) {
        for (const std::string& mark : marks) {
            for (std::size_t at = 0; at <= base.size(); ++at) {
                add("mark inserted", std::string(base).insert(at, mark));
            }
        }
    }
    for (const std::string& mark : marks) add("mark alone", mark);
    for (const char* text :
         {"e5",       "E-3",      "1e",    "1e+",   "1e-",  "3E+05", "-5",    ".5",
          "5.",       "5.e3",     "0x10",  "1d3",   "2,25", "1.2.3", "1e999", "1e-400",
          "0e999",    "1e-320",   "+-+.e", "-.e-5", "e",    "E",     "1e308", "1.8e308",
          "4.9e-324", "2.4e-324", "0.0",   "00000", ".",    "-",     "+"}) {
        add("form", text);
    }
    for (unsigned control = 1; control < 0x20; ++control) {
        const std::string c(1, static_cast<char>(control));
        add("control " + Hex(control), c + "1" + c + "." + c + "5" + c + "e" + c + "2" + c);
    }
    add("delete",
        "\x7f"
        "12\x7f.5");
    Check(cases);
}

// Texts of up to 100,000 characters put into the fields with WM_SETTEXT.
// The outcome is the core's for the first 65,534 characters of what the
// control then holds (a control may hold less than it was given).
TEST_F(HostileInput, HugeTextsSet) {
    for (const HugeText& huge : HugeTexts()) {
        for (std::size_t field = 0; field < 4; ++field) {
            ASSERT_NO_FATAL_FAILURE(CheckSet(huge, field));
        }
    }
}

TEST_F(HostileInput, HugeDigitTextsSet) {
    for (const HugeText& huge : HugeDigitTexts()) ASSERT_NO_FATAL_FAILURE(CheckSet(huge, 0));
}

// Texts pasted from the clipboard into an emptied field: the controls' own
// limits decide how much they take. Wine's edit control takes at most 30,000
// characters by pasting, so the speed field gets the huge texts. A list
// field takes what fits in its width; to find that out Wine's control
// shortens the text a character at a time, measuring it anew each time:
// 0.3 to 0.6 s for 1,000 characters, more than 20 s for 10,000 and many minutes for
// 65,534, with the program frozen meanwhile. So a shorter text goes there.
TEST_F(HostileInput, HugeTextsPasted) {
    std::vector<HugeText> texts = HugeTexts();
    texts.push_back({"70000 digits", "3." + std::string(69998, '3'), false});
    for (const HugeText& huge : texts) ASSERT_NO_FATAL_FAILURE(CheckPasted(huge, 0));
    const HugeText list_text{"1001 characters", "12.5e3" + std::string(995, 'x'), false};
    for (std::size_t field = 1; field < 4; ++field) {
        ASSERT_NO_FATAL_FAILURE(CheckPasted(list_text, field));
    }
}

}  // namespace
}  // namespace e2e
