// An independent model of the drag calculation in MPFR: every operation at
// 64-bit precision with the extended format's exponent range (subnormals
// emulated), every finished quantity rounded to a double, the inputs read
// from their cut-out decimal numbers with correct rounding, and the texts
// printed by glibc's exact printf. In the page's UK and US units the speed
// and the area are the exact products of their decimals with the units'
// own (mpz), and the results are converted in exact rationals (mpq) and
// rounded once to six decimals. Used by the differential tests and the
// fuzzer; it shares no code with the core.
#pragma once

#include <gmp.h>
#include <mpfr.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace oracle {

// The number a field text holds, cut out as the reader must: from the first
// ASCII digit, digits [. digits] [e|E [+|-] digits]. Empty when the text
// holds no digit.
std::string CutNumber(std::string_view text);

enum class Units { Metric, Uk, Us };

// km per mile and m^2 per square foot, written here apart from the core's.
inline constexpr const char* kMile = "1609344/1000000";
inline constexpr const char* kSquareFoot = "9290304/100000000";

// The texts in the units asked for: kW or hp, l/h or gallons an hour,
// litres per 100 km or miles per gallon.
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
    // The same for the number times the fraction `factor` ("N/10^k").
    double ReadScaledDouble(const std::string& number, const char* factor);
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
