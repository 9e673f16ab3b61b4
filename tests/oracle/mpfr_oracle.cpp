#include "tests/oracle/mpfr_oracle.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace oracle {

namespace {

// The extended format: 64-bit significand; MPFR exponents for x = m * 2^e
// with 0.5 <= m < 1, so the smallest subnormal 2^-16445 has e = -16444 and
// the largest finite value lies below 2^16384.
constexpr mpfr_prec_t kExtendedPrecision = 64;
constexpr mpfr_exp_t kExtendedEmin = -16444;
constexpr mpfr_exp_t kExtendedEmax = 16384;
// The double format, for reading the input texts.
constexpr mpfr_exp_t kDoubleEmin = -1073;
constexpr mpfr_exp_t kDoubleEmax = 1024;

// From kW, l/h and l/100 km (mpg = 100 * gallon / (1.609344 * L): the factor
// over L), written here apart from the core's.
constexpr const char* kPerHorsepower = "100000000000000000/74569987158227022";
constexpr const char* kPerGallon[] = {"", "100000/454609", "1000000000/3785411784"};
constexpr const char* kMilesPerGallon[] = {"", "454609000/1609344", "378541178400/1609344000"};

bool IsDigit(std::string_view text, std::size_t k) {
    return k < text.size() && text[k] >= '0' && text[k] <= '9';
}

}  // namespace

std::string CutNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && !IsDigit(text, i)) ++i;
    std::size_t end = i;
    while (IsDigit(text, end)) ++end;
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (IsDigit(text, end)) ++end;
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t k = end + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (IsDigit(text, k)) {
            while (IsDigit(text, k)) ++k;
            end = k;
        }
    }
    return std::string(text.substr(i, end - i));
}

DragOracle::DragOracle() {
    mpfr_inits2(kExtendedPrecision, acc_, operand_, static_cast<mpfr_ptr>(nullptr));
    mpfr_init2(input_, 53);
    mpz_inits(digits_, scale_, nullptr);
    mpq_inits(exact_, factor_, nullptr);
}

DragOracle::~DragOracle() {
    mpfr_clears(acc_, operand_, input_, static_cast<mpfr_ptr>(nullptr));
    mpz_clears(digits_, scale_, nullptr);
    mpq_clears(exact_, factor_, nullptr);
}

namespace {

// MPFR's reader wraps exponents beyond its integer range. A field holds at
// most 65,534 characters, so any exponent of more than nine digits decides
// between 0 and infinity alone: it is replaced by 999999999 of its sign.
std::string ClampExponent(const std::string& number) {
    const std::size_t e = number.find_first_of("eE");
    if (e == std::string::npos) return number;
    std::size_t digits = e + 1;
    if (digits < number.size() && (number[digits] == '+' || number[digits] == '-')) ++digits;
    const std::size_t significant = number.find_first_not_of('0', digits);
    if (significant == std::string::npos || number.size() - significant <= 9) return number;
    return number.substr(0, digits) + "999999999";
}

}  // namespace

double DragOracle::ReadDouble(const std::string& number) {
    mpfr_set_emin(kDoubleEmin);
    mpfr_set_emax(kDoubleEmax);
    const std::string clamped = ClampExponent(number);
    const int inexact = mpfr_strtofr(input_, clamped.c_str(), nullptr, 10, MPFR_RNDN);
    mpfr_subnormalize(input_, inexact, MPFR_RNDN);
    const double value = mpfr_get_d(input_, MPFR_RNDN);
    mpfr_set_emin(kExtendedEmin);
    mpfr_set_emax(kExtendedEmax);
    return value;
}

double DragOracle::ReadScaledDouble(const std::string& number, Factor factor) {
    // number = digits * 10^exponent, the exponent clamped as ReadDouble's;
    // the digits times the factor's, exactly, then 10^(both exponents).
    const std::string clamped = ClampExponent(number);
    const std::size_t e = clamped.find_first_of("eE");
    std::string digits = clamped.substr(0, e);
    long exponent = e == std::string::npos ? 0 : std::strtol(clamped.c_str() + e + 1, nullptr, 10);
    if (const std::size_t point = digits.find('.'); point != std::string::npos) {
        exponent -= static_cast<long>(digits.size() - point - 1);
        digits.erase(point, 1);
    }
    mpz_set_str(digits_, digits.c_str(), 10);
    mpz_mul_ui(digits_, digits_, factor.first);
    char* product = mpz_get_str(nullptr, 10, digits_);
    const std::string text = std::string(product) + "e" + std::to_string(exponent + factor.second);
    std::free(product);
    return ReadDouble(text);
}

std::string DragOracle::Converted(double x, const char* factor, bool inverse) {
    if (std::isnan(x)) return "nan";
    if (inverse ? x == 0 : std::isinf(x)) return "inf";
    if (std::isinf(x)) return "0.000000";
    mpq_set_str(factor_, factor, 10);
    mpq_canonicalize(factor_);
    mpq_set_d(exact_, x);
    inverse ? mpq_div(exact_, factor_, exact_) : mpq_mul(exact_, exact_, factor_);
    // n = round(exact * 10^6), half to even: quotient and remainder of
    // numerator * 10^6 by the denominator.
    mpz_mul_ui(digits_, mpq_numref(exact_), 1000000);
    mpz_fdiv_qr(digits_, scale_, digits_, mpq_denref(exact_));
    mpz_mul_2exp(scale_, scale_, 1);
    const int half = mpz_cmp(scale_, mpq_denref(exact_));
    if (half > 0 || (half == 0 && mpz_odd_p(digits_))) mpz_add_ui(digits_, digits_, 1);
    char* n = mpz_get_str(nullptr, 10, digits_);
    std::string text(n);
    std::free(n);
    if (text.size() < 7) text.insert(0, 7 - text.size(), '0');
    return text.insert(text.size() - 6, ".");
}

double DragOracle::Quantity(double first, std::initializer_list<Step> steps) {
    mpfr_set_emin(kExtendedEmin);
    mpfr_set_emax(kExtendedEmax);
    mpfr_set_d(acc_, first, MPFR_RNDN);
    for (const Step& step : steps) {
        mpfr_set_d(operand_, step.operand, MPFR_RNDN);
        const int inexact = step.op == '*' ? mpfr_mul(acc_, acc_, operand_, MPFR_RNDN)
                                           : mpfr_div(acc_, acc_, operand_, MPFR_RNDN);
        mpfr_subnormalize(acc_, inexact, MPFR_RNDN);
    }
    // mpfr_get_d rounds correctly into the double's subnormals and overflows
    // to infinity.
    return mpfr_get_d(acc_, MPFR_RNDN);
}

Result DragOracle::Compute(std::string_view speed, std::string_view drag, std::string_view heat,
                           std::string_view area, Units units) {
    Result result;
    double in[4];
    const std::string_view texts[4] = {speed, drag, heat, area};
    const Factor* const factors[4] = {&kMile, nullptr, nullptr, &kSquareFoot};
    for (int i = 0; i < 4; ++i) {
        const std::string number = CutNumber(texts[i]);
        if (number.empty()) return result;
        const bool scaled = units != Units::Metric && factors[i] != nullptr;
        in[i] = scaled ? ReadScaledDouble(number, *factors[i]) : ReadDouble(number);
    }
    const double s = in[0], c = in[1], h = in[2], a = in[3];
    const double v = Quantity(s, {{'*', 1000.0}, {'/', 3600.0}});
    const double t = Quantity(v, {{'*', v}, {'*', 0.5}, {'*', 1.3}, {'*', c}, {'*', a}});
    const double p = Quantity(t, {{'*', v}, {'/', 1000.0}});
    const double e = Quantity(h, {{'*', 0.72}, {'*', 0.3}, {'/', 3.6}});
    const double f = Quantity(p, {{'/', e}});
    const double l = Quantity(f, {{'/', s}, {'*', 100.0}});
    result.hasDigit = true;
    const bool metric = units == Units::Metric;
    const auto system = static_cast<std::size_t>(units);
    result.power = metric ? Printf(p) : Converted(p, kPerHorsepower, false);
    result.fuel = metric ? Printf(f) : Converted(f, kPerGallon[system], false);
    result.fuelPer100Km = metric ? Printf(l) : Converted(l, kMilesPerGallon[system], true);
    return result;
}

std::string Printf(double x) {
    if (std::isnan(x)) return "nan";
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%f", x);
    return buffer;
}

}  // namespace oracle
