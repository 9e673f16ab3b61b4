// Where a field text's number starts and the decimal it holds: the rules of
// ParseFieldValue, shared by its scaled variant (units.h). Inline, so that
// each reader keeps its own copy and the window's reader stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calc/decimal.h"

namespace calc::field_text {

// Only the ten ASCII digits; a byte of 0x80 or above is never one, whether
// char is signed or not.
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The first digit of the text, or its terminator when it holds none:
// everything before the first digit is skipped.
inline const char* FirstDigit(const char* p) {
    while (*p != '\0' && !IsDigit(*p)) {
        ++p;
    }
    return p;
}

// The digits from p on.
inline std::string_view DigitRun(const char* p) {
    std::size_t n = 0;
    while (IsDigit(p[n])) {
        ++n;
    }
    return {p, n};
}

// The value of the exponent digits from p on: clamped to the limit, beyond
// which every exponent reads alike, so any number of digits is read without
// overflow.
inline std::int32_t ExponentValue(const char* p) {
    std::int32_t value = 0;
    for (; IsDigit(*p) && value < kDecimalExponentLimit; ++p) {
        value = value * 10 + (*p - '0');
    }
    return value < kDecimalExponentLimit ? value : kDecimalExponentLimit;
}

// Reads  digits [ '.' digits ] [ ('e'|'E') [sign] digits ]  from a text that
// starts with a digit; an 'e' without digits after it is not part of it.
inline DecimalNumber ReadDecimal(const char* p) {
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

}  // namespace calc::field_text
