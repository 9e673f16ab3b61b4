// An independent model of the drag calculation in MPFR: every operation at
// 64-bit precision with the extended format's exponent range (subnormals
// emulated), every finished quantity rounded to a double, the inputs read
// from their cut-out decimal numbers with correct rounding, and the texts
// printed by glibc's exact printf. Used by the differential tests and the
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

struct Result {
    bool hasDigit = false;
    std::string power;
    std::string fuel;
    std::string fuelPer100Km;  // litres per 100 km: fuel / speed * 100
    double powerValue = 0;
    double fuelValue = 0;
};

class DragOracle {
  public:
    DragOracle();
    ~DragOracle();
    DragOracle(const DragOracle&) = delete;
    DragOracle& operator=(const DragOracle&) = delete;

    // The correctly rounded double of a cut-out decimal number.
    double ReadDouble(const std::string& number);
    Result Compute(std::string_view speed, std::string_view drag, std::string_view heat,
                   std::string_view area);

  private:
    struct Step {
        char op;
        double operand;
    };
    double Quantity(double first, std::initializer_list<Step> steps);

    mpfr_t acc_, operand_, input_;
};

// "%f" by glibc, with any NaN printed as "nan".
std::string Printf(double x);

}  // namespace oracle
