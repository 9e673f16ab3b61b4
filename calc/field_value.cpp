// Reading the number out of a field text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "calc/decimal.h"
#include "calc/drag.h"

namespace {

// Only the ten ASCII digits; a byte of 0x80 or above is never one, whether
// char is signed or not.
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether all eight bytes of a word are ASCII digits: each high nibble is 3,
// and each low nibble stays below 16 when 6 is added to it. (A carry out of
// one byte comes only from a byte that fails the first test anyway.)
bool AllDigits(std::uint64_t word) {
    constexpr std::uint64_t kHigh = 0xF0F0'F0F0'F0F0'F0F0u;
    return ((word & kHigh) | (((word + 0x0606'0606'0606'0606u) & kHigh) >> 4)) ==
           0x3333'3333'3333'3333u;
}

// The number of digits at the start of text, eight at a time where it can.
std::size_t CountDigits(std::string_view text) {
    std::size_t n = 0;
    for (std::uint64_t word = 0; n + 8 <= text.size(); n += 8) {
        std::memcpy(&word, text.data() + n, 8);
        if (!AllDigits(word)) {
            break;
        }
    }
    while (n < text.size() && IsDigit(text[n])) {
        ++n;
    }
    return n;
}

// The digits from p on. A short run is read byte by byte; a long one (a field
// holds up to 65,534 digits) is measured first, so that it can be read eight
// bytes at a time without reading past the terminator.
std::string_view DigitRun(const char* p) {
    constexpr std::size_t kShortRun = 32;
    std::size_t n = 0;
    while (n < kShortRun && IsDigit(p[n])) {
        ++n;
    }
    if (n == kShortRun) {
        n += CountDigits(std::string_view(p + n));
    }
    return {p, n};
}

// The value of the exponent digits from p on: clamped to the limit, beyond
// which every exponent reads alike, so any number of digits is read without
// overflow.
std::int32_t ExponentValue(const char* p) {
    std::int32_t value = 0;
    for (; IsDigit(*p) && value < calc::kDecimalExponentLimit; ++p) {
        value = value * 10 + (*p - '0');
    }
    return value < calc::kDecimalExponentLimit ? value : calc::kDecimalExponentLimit;
}

// Reads  digits [ '.' digits ] [ ('e'|'E') [sign] digits ]  from a text that
// starts with a digit; an 'e' without digits after it is not part of it.
calc::DecimalNumber ReadDecimal(const char* p) {
    calc::DecimalNumber number;
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
    return {true, calc::DecimalToDouble(ReadDecimal(p))};
}
