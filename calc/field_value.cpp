#include "calc/field_value.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calc/decimal.h"

namespace calc {
namespace {

// Only the ten ASCII digits; a byte of 0x80 or above is never one, whether
// char is signed or not.
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits from p on.
std::string_view DigitRun(const char* p) {
    std::size_t n = 0;
    while (IsDigit(p[n])) {
        ++n;
    }
    return {p, n};
}

// The value of the exponent digits from p on: clamped to the limit, beyond
// which every exponent reads alike, so any number of digits is read without
// overflow.
std::int32_t ExponentValue(const char* p) {
    std::int32_t value = 0;
    for (; IsDigit(*p) && value < kDecimalExponentLimit; ++p) {
        value = value * 10 + (*p - '0');
    }
    return value < kDecimalExponentLimit ? value : kDecimalExponentLimit;
}

// Reads  digits [ '.' digits ] [ ('e'|'E') [sign] digits ]  from a text that
// starts with a digit; an 'e' without digits after it is not part of it.
DecimalNumber ReadDecimal(const char* p) {
    DecimalNumber number;
    number.integerDigits = DigitRun(p);
    p += number.integerDigits.size();
    if (*p == '.') {
        ++p;
        number.fractionDigits = DigitRun(p);
        p += number.fractionDigits.size();
    }
    if (*p == 'e' || *p == 'E') {
        ++p;
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-') {
            ++p;
        }
        const std::int32_t exponent = ExponentValue(p);
        number.exponent = negative ? -exponent : exponent;
    }
    return number;
}

}  // namespace

FieldValue ParseFieldValue(const char* text) {
    const char* p = text;
    while (*p != '\0' && !IsDigit(*p)) {
        ++p;
    }
    if (*p == '\0') {
        return {};
    }
    return {true, DecimalToDouble(ReadDecimal(p))};
}

}  // namespace calc
