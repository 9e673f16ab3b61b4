// A field's number times an exact decimal factor, rounded once: the product
// of the whole digit run, cut to the digits that decide the rounding, is
// handed to the same decimal-to-double conversion as ParseFieldValue's.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calc/decimal.h"
#include "calc/field_text.h"
#include "calc/long_decimal.h"
#include "calc/units.h"

namespace calc {
namespace {

// The product's digits that are kept: as many as the conversion holds, plus
// those of the last carry (a factor below 10^19 leaves at most 19), plus one
// that stands for every dropped digit that is not zero.
constexpr std::size_t kKeptDigits = LongDecimal::kCapacity;
constexpr std::size_t kProductCapacity = kKeptDigits + 19 + 1;
using ProductDigits = std::array<char, kProductCapacity>;

// The digits of a number from its first non-zero one on, as one run: the
// integer digits, then the fraction digits, either part possibly empty.
struct DigitRun {
    std::string_view first;
    std::string_view second;
    std::size_t size() const { return first.size() + second.size(); }
    // Digit i counted from the run's last digit (0 is the last).
    std::uint64_t FromEnd(std::size_t i) const {
        const char c = i < second.size() ? second[second.size() - 1 - i]
                                         : first[first.size() - 1 - (i - second.size())];
        return static_cast<std::uint64_t>(c - '0');
    }
};

DigitRun SignificantRun(const DecimalNumber& number) {
    std::string_view integer = number.integerDigits;
    std::string_view fraction = number.fractionDigits;
    while (!integer.empty() && integer.front() == '0') integer.remove_prefix(1);
    if (integer.empty()) {
        while (!fraction.empty() && fraction.front() == '0') fraction.remove_prefix(1);
    }
    return {integer, fraction};
}

// number * factor, exactly as far as the conversion to a double can tell:
// an integer of digits in `out` with a decimal exponent. The run R (the
// digits as one integer, its last digit of weight 10^(exponent - fraction
// digits)) is multiplied by F = factor.digits from its last digit to its
// first.
DecimalNumber Multiply(const DecimalNumber& number, DecimalFactor factor, ProductDigits& out) {
    const DigitRun run = SignificantRun(number);
    const std::size_t n = run.size();
    // Product digits below `lowestKept` (counted from the end, like the
    // run's) are only remembered as `dropped`: the kept ones are then the
    // top 800 of R's length and those of the last carry, so the conversion
    // sees the product's first 800 digits exactly and knows whether any
    // later one is not zero, which is all it needs to round.
    const std::size_t lowestKept = n > kKeptDigits ? n - kKeptDigits : 0;
    std::size_t write = kProductCapacity - 1;  // the last place is the stand-in's
    bool dropped = false;
    // Invariant: after digit i, carry = floor((R mod 10^(i+1)) * F / 10^(i+1)),
    // below F; digit * F + carry < 10 * F therefore fits 64 bits.
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
        carry += run.FromEnd(i) * factor.digits;
        const auto digit = static_cast<char>('0' + carry % 10);
        carry /= 10;
        if (i >= lowestKept) {
            out[--write] = digit;
        } else {
            dropped = dropped || digit != '0';
        }
    }
    for (; carry > 0; carry /= 10) out[--write] = static_cast<char>('0' + carry % 10);
    std::size_t end = kProductCapacity - 1;
    // The stand-in: a 1 one place below the kept digits, beyond the
    // conversion's 800, so that it only marks them as cut short.
    if (dropped) out[end++] = '1';
    const std::int64_t exponent =
        std::int64_t{number.exponent} - static_cast<std::int64_t>(number.fractionDigits.size()) +
        factor.exponent + static_cast<std::int64_t>(lowestKept) - (dropped ? 1 : 0);
    // At most 65,534 digits move the exponent: one clamped to the reader's
    // limit still gives +inf or 0 alone, as before the move.
    const std::int64_t limit = kDecimalExponentLimit;
    DecimalNumber product;
    product.integerDigits = std::string_view(out.data() + write, end - write);
    product.exponent = static_cast<std::int32_t>(exponent > limit    ? limit
                                                 : exponent < -limit ? -limit
                                                                     : exponent);
    return product;
}

}  // namespace

FieldValue ParseScaledFieldValue(const char* text, DecimalFactor factor) {
    const char* p = field_text::FirstDigit(text);
    if (*p == '\0') return {};
    const DecimalNumber number = field_text::ReadDecimal(p);
    if (factor.digits == 1 && factor.exponent == 0) return {true, DecimalToDouble(number)};
    ProductDigits product;
    return {true, DecimalToDouble(Multiply(number, factor, product))};
}

}  // namespace calc
