// An independent model of the drag calculation in MPFR: every operation at
// 64-bit precision with the extended format's exponent range (subnormals
// emulated), every finished quantity rounded to a double, the inputs read
// from their cut-out decimal numbers with correct rounding, and the texts
// printed by glibc's exact printf; in UK and US units, inputs and results
// converted exactly (mpz, mpq). Used by the differential tests and the
// fuzzer; it shares no code with the core.
#pragma once

#include <gmp.h>
#include <mpfr.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace oracle {

// The number a field text holds, cut out as the reader must: from the first
// ASCII digit, digits [. digits] [e|E [+|-] digits]. Empty when the text
// holds no digit.
std::string CutNumber(std::string_view text);

enum class Units { Metric, Uk, Us };

// km per mile and m^2 per square foot, written here apart from the core's,
// as digits and a decimal exponent.
using Factor = std::pair<unsigned long, long>;
inline constexpr Factor kMile{1609344, -6};
inline constexpr Factor kSquareFoot{9290304, -8};

// The texts in the units asked for (hp, gallons an hour, mpg in UK and US).
struct Result {
    bool hasDigit = false;
    std::string power;
    std::string fuel;
    std::string fuelPer100Km;  // litres per 100 km: fuel / speed * 100
};

class DragOracle {
  public:
    DragOracle();
    ~DragOracle();
    DragOracle(const DragOracle&) = delete;
    DragOracle& operator=(const DragOracle&) = delete;

    // The correctly rounded double of a cut-out decimal number.
    double ReadDouble(const std::string& number);
    // The same for the number times the factor, exactly.
    double ReadScaledDouble(const std::string& number, Factor factor);
    Result Compute(std::string_view speed, std::string_view drag, std::string_view heat,
                   std::string_view area, Units units = Units::Metric);

  private:
    struct Step {
        char op;
        double operand;
    };
    double Quantity(double first, std::initializer_list<Step> steps);
    // x * factor (or factor / x) rounded once to six decimals, as "%f".
    std::string Converted(double x, const char* factor, bool inverse);

    mpfr_t acc_, operand_, input_;
    mpz_t digits_, scale_;
    mpq_t exact_, factor_;
};

// "%f" by glibc, with any NaN printed as "nan".
std::string Printf(double x);

}  // namespace oracle
