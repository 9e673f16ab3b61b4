// ComputeDrag: the worked examples, the extended range inside a quantity,
// the IEEE special results, and the stop at the first field without a digit.
#include "calc/drag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using calc::ComputeDrag;
using calc::DragOutcome;
using calc::DragStatus;

struct Example {
    const char* speed;
    const char* drag;
    const char* heat;
    const char* area;
    const char* power;
    const char* fuel;
};

std::string Text(const calc::FixedText& t) {
    return std::string(t.data());
}

void ExpectTexts(const Example& e) {
    const DragOutcome out = ComputeDrag({e.speed, e.drag, e.heat, e.area});
    ASSERT_EQ(out.status, DragStatus::Ok) << e.speed;
    EXPECT_EQ(Text(out.powerText), e.power) << "speed " << e.speed;
    EXPECT_EQ(Text(out.fuelText), e.fuel) << "speed " << e.speed;
}

TEST(ComputeDragExamples, PresetEntriesAtSeveralSpeeds) {
    const Example examples[] = {
        {"100", "Osobn\xed automobil 0.3", "Benzin 45.22", "Osobn\xed automobil 2.25", "9.403935",
         "3.465994"},
        {"130", "0.3", "45.22", "2.25", "20.660446", "7.614789"},
        {"200", "0.3", "45.22", "2.25", "75.231481", "27.727953"},
        {"50", "0.3", "45.22", "2.25", "1.175492", "0.433249"},
        // 90 km/h is exactly 25 m/s.
        {"90", "0.3", "45.22", "2.25", "6.855469", "2.526710"},
        {"0", "0.3", "45.22", "2.25", "0.000000", "0.000000"},
    };
    for (const Example& e : examples) ExpectTexts(e);
}

// Both powers lie next to a tie of the sixth decimal in exact arithmetic;
// plain double arithmetic gives 207.599437 and 1.271562.
TEST(ComputeDragExamples, NearTiesFollowTheExtendedRule) {
    ExpectTexts({"207", "0.56", "30.3", "3", "207.599438", "114.191110"});
    ExpectTexts({"45", "0.32", "42.62", "3.13", "1.271563", "0.497248"});
}

TEST(ComputeDragExamples, ExactTieIsRoundedToEven) {
    // 45 km/h, c = 1, A = 2: the power is exactly 2.5390625 kW.
    const DragOutcome out = ComputeDrag({"45", "1", "45.22", "2"});
    ASSERT_EQ(out.status, DragStatus::Ok);
    EXPECT_EQ(out.power, 2.5390625);
    EXPECT_EQ(Text(out.powerText), "2.539062");
}

TEST(ComputeDragRange, ExtendedExponentCarriesProductsBeyondDouble) {
    // v * v alone exceeds the double range, yet t and P are finite.
    const DragOutcome out = ComputeDrag({"1e155", "1e-80", "45.22", "1e-80"});
    ASSERT_EQ(out.status, DragStatus::Ok);
    ASSERT_TRUE(std::isfinite(out.power));
    EXPECT_NEAR(out.power / 1.39e300, 1.0, 0.01);
    const std::string power = Text(out.powerText);
    EXPECT_EQ(power.find('.'), 301u) << power;
    EXPECT_EQ(power.size(), 308u);
}

TEST(ComputeDragRange, QuantityBeyondDoubleBecomesInfinity) {
    const DragOutcome out = ComputeDrag({"1e200", "0.3", "45.22", "2.25"});
    ASSERT_EQ(out.status, DragStatus::Ok);
    EXPECT_EQ(out.power, std::numeric_limits<double>::infinity());
    EXPECT_EQ(Text(out.powerText), "inf");
    EXPECT_EQ(Text(out.fuelText), "inf");
}

TEST(ComputeDragRange, LargestFiniteResultPrintsAllDigits) {
    // A fuel rate above 1e308 (a subnormal energy per litre): all 309
    // integer digits, the point and six decimals, nothing cut.
    const DragOutcome out = ComputeDrag({"1e100", "1", "2e-312", "1e-300"});
    ASSERT_EQ(out.status, DragStatus::Ok);
    ASSERT_TRUE(std::isfinite(out.fuelRate));
    ASSERT_GT(out.fuelRate, 1e308);
    const std::string fuel = Text(out.fuelText);
    EXPECT_EQ(fuel.size(), 316u);
    EXPECT_EQ(fuel.substr(fuel.size() - 7), ".000000");
}

TEST(ComputeDragSpecialResults, ZeroCalorificValue) {
    const DragOutcome finitePower = ComputeDrag({"100", "0.3", "0", "2.25"});
    ASSERT_EQ(finitePower.status, DragStatus::Ok);
    EXPECT_EQ(Text(finitePower.powerText), "9.403935");
    EXPECT_EQ(Text(finitePower.fuelText), "inf");

    // Power 0 over energy 0 is NaN, with either of the factors at 0.
    const Example zeroed[] = {{"0", "0.3", "0", "2.25", "", ""},
                              {"100", "0", "0", "2.25", "", ""},
                              {"100", "0.3", "0", "0", "", ""}};
    for (const Example& z : zeroed) {
        const DragOutcome out = ComputeDrag({z.speed, z.drag, z.heat, z.area});
        ASSERT_EQ(out.status, DragStatus::Ok);
        EXPECT_EQ(Text(out.powerText), "0.000000");
        EXPECT_TRUE(std::isnan(out.fuelRate));
        EXPECT_EQ(Text(out.fuelText), "nan");
    }
}

TEST(ComputeDragSpecialResults, InfiniteInputs) {
    // Infinite calorific value: the fuel rate is 0, or NaN with infinite power.
    EXPECT_EQ(Text(ComputeDrag({"100", "0.3", "1e999", "2.25"}).fuelText), "0.000000");
    const DragOutcome both = ComputeDrag({"1e999", "0.3", "1e999", "2.25"});
    EXPECT_EQ(Text(both.powerText), "inf");
    EXPECT_EQ(Text(both.fuelText), "nan");
    // Infinite speed times a zero coefficient: NaN power, printed without sign.
    const DragOutcome nanPower = ComputeDrag({"1e999", "0", "45.22", "2.25"});
    EXPECT_TRUE(std::isnan(nanPower.power));
    EXPECT_EQ(Text(nanPower.powerText), "nan");
    EXPECT_EQ(Text(nanPower.fuelText), "nan");
}

TEST(ComputeDragFailure, AnyFieldWithoutDigitGivesNoDigit) {
    const char* const good[] = {"100", "0.3", "45.22", "2.25"};
    const char* const bad[] = {"", "abc", "-", ".", "Osobn\xed automobil", "e+"};
    for (int field = 0; field < 4; ++field) {
        for (const char* b : bad) {
            const char* in[4] = {good[0], good[1], good[2], good[3]};
            in[field] = b;
            const DragOutcome out = ComputeDrag({in[0], in[1], in[2], in[3]});
            EXPECT_EQ(out.status, DragStatus::NoDigit) << "field " << field << " '" << b << "'";
            EXPECT_EQ(out.powerText[0], '\0');
        }
    }
    EXPECT_EQ(ComputeDrag({"", "", "", ""}).status, DragStatus::NoDigit);
}

TEST(ComputeDragFailure, RequestsAreIndependent) {
    // A failure leaves nothing behind for the next request, and the other way round.
    const DragOutcome first = ComputeDrag({"100", "0.3", "45.22", "2.25"});
    EXPECT_EQ(ComputeDrag({"100", "0.3", "45.22", ""}).status, DragStatus::NoDigit);
    const DragOutcome again = ComputeDrag({"100", "0.3", "45.22", "2.25"});
    EXPECT_EQ(Text(again.powerText), Text(first.powerText));
    EXPECT_EQ(Text(again.fuelText), Text(first.fuelText));
}

}  // namespace
