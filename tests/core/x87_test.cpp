// Where the build has the x87 extended type: the core against the same
// formulas in hardware long double arithmetic with the precision control at
// 64 bits, and the core's texts unchanged when a host has set the precision
// control to 53 or 24 bits (the core does no floating-point arithmetic).
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "calc/drag.h"
#include "calc/field_value.h"

#if defined(__i386__) || defined(__x86_64__)
#define KALVOR_HAS_X87 1
#else
#define KALVOR_HAS_X87 0
#endif

namespace {

using calc::ComputeDrag;
using calc::DragOutcome;
using calc::DragStatus;
using calc::ParseFieldValue;

#if KALVOR_HAS_X87
enum class Precision : unsigned short { Single = 0x000, Double = 0x200, Extended = 0x300 };

// Sets the x87 precision-control field for the lifetime of the object.
class PrecisionControl {
  public:
    explicit PrecisionControl(Precision p) {
        __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
        const unsigned short word =
            static_cast<unsigned short>((saved_ & ~0x300u) | static_cast<unsigned short>(p));
        __asm__ __volatile__("fldcw %0" : : "m"(word));
    }
    ~PrecisionControl() { __asm__ __volatile__("fldcw %0" : : "m"(saved_)); }
    PrecisionControl(const PrecisionControl&) = delete;
    PrecisionControl& operator=(const PrecisionControl&) = delete;

  private:
    unsigned short saved_ = 0;
};

// The constants as the doubles the core starts from. A double literal cast
// to long double would not do: where excess precision follows the standard
// (GCC 13 and later under -std=c++NN, with FLT_EVAL_METHOD 2) the literal
// itself is evaluated in long double, so the cast would give 1.3L; the
// initialisation of a double removes that excess.
constexpr double kAirDensity = 1.3;
constexpr double kFuelDensity = 0.72;
constexpr double kEfficiency = 0.3;
constexpr double kMjPerKwh = 3.6;

// The formulas in x87 arithmetic; volatile stores force each quantity to be
// rounded to a double where it is complete, and nowhere else.
void HardwareDrag(double s, double c, double h, double a, double& power, double& fuel) {
    volatile double v = static_cast<double>(static_cast<long double>(s) * 1000.0L / 3600.0L);
    volatile double t = static_cast<double>(static_cast<long double>(v) * v * 0.5L *
                                            static_cast<long double>(kAirDensity) * c * a);
    volatile double p = static_cast<double>(static_cast<long double>(t) * v / 1000.0L);
    volatile double e = static_cast<double>(
        static_cast<long double>(h) * static_cast<long double>(kFuelDensity) *
        static_cast<long double>(kEfficiency) / static_cast<long double>(kMjPerKwh));
    volatile double f = static_cast<double>(static_cast<long double>(p) / e);
    power = p;
    fuel = f;
}

std::string Text(double x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", x);
    return buffer;
}

bool SameDouble(double a, double b) {
    if (a != a && b != b) return true;  // NaN: any payload
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Random doubles over the whole range, as texts the reader takes exactly.
std::string RandomInput(std::mt19937_64& rng) {
    char buffer[64];
    const int digits = 1 + static_cast<int>(rng() % 17);
    const int exponent = static_cast<int>(rng() % 640) - 320;
    std::snprintf(buffer, sizeof buffer, "%llue%d",
                  static_cast<unsigned long long>(rng() % 100000000000000000ULL) %
                      static_cast<unsigned long long>(1ULL << (digits * 3)),
                  exponent);
    return buffer;
}
#endif

TEST(ComputeDragX87, MatchesHardwareExtendedArithmetic) {
#if !KALVOR_HAS_X87
    GTEST_SKIP() << "this build has no x87 extended type";
#else
    ASSERT_EQ(LDBL_MANT_DIG, 64);
    PrecisionControl extended(Precision::Extended);
    std::mt19937_64 rng(87);
    int mismatches = 0;
    for (int n = 0; n < 200000; ++n) {
        std::string in[4];
        for (std::string& text : in)
            text = n % 2 == 0 ? RandomInput(rng) : std::to_string(rng() % 400);
        const DragOutcome out =
            ComputeDrag({in[0].c_str(), in[1].c_str(), in[2].c_str(), in[3].c_str()});
        ASSERT_EQ(out.status, DragStatus::Ok);
        double power = 0, fuel = 0;
        HardwareDrag(ParseFieldValue(in[0].c_str()).value, ParseFieldValue(in[1].c_str()).value,
                     ParseFieldValue(in[2].c_str()).value, ParseFieldValue(in[3].c_str()).value,
                     power, fuel);
        if ((!SameDouble(power, out.power) || !SameDouble(fuel, out.fuelRate)) &&
            ++mismatches <= 10) {
            ADD_FAILURE() << in[0] << " " << in[1] << " " << in[2] << " " << in[3] << ": x87 "
                          << Text(power) << " " << Text(fuel) << ", core " << Text(out.power) << " "
                          << Text(out.fuelRate);
        }
    }
    EXPECT_EQ(mismatches, 0);
#endif
}

TEST(ComputeDragX87, TextsIndependentOfPrecisionControl) {
#if !KALVOR_HAS_X87
    GTEST_SKIP() << "this build has no x87 precision control";
#else
    const char* const cases[][4] = {
        {"100", "0.3", "45.22", "2.25"},    {"207", "0.56", "30.3", "3"},
        {"45", "0.32", "42.62", "3.13"},    {"1e155", "1e-80", "45.22", "1e-80"},
        {"45", "1", "45.22", "2"},          {"1e-300", "1e-5", "1e-300", "1e-300"},
        {"123.456e7", "1.5", "0.001", "7"}, {"1e100", "1", "2e-310", "1e-300"},
    };
    for (const auto& c : cases) {
        const DragOutcome reference = ComputeDrag({c[0], c[1], c[2], c[3]});
        for (Precision p : {Precision::Double, Precision::Single}) {
            PrecisionControl control(p);
            const DragOutcome out = ComputeDrag({c[0], c[1], c[2], c[3]});
            EXPECT_STREQ(out.powerText.data(), reference.powerText.data()) << c[0];
            EXPECT_STREQ(out.fuelText.data(), reference.fuelText.data()) << c[0];
            EXPECT_TRUE(SameDouble(out.power, reference.power)) << c[0];
        }
    }
#endif
}

}  // namespace
