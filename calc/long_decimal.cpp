#include "calc/long_decimal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace calc {
namespace {

using Digits = std::array<std::uint8_t, LongDecimal::kCapacity>;

std::uint8_t& At(Digits& d, int i) {
    return d[static_cast<std::size_t>(i)];
}

void TrimTrailingZeros(LongDecimal& a) {
    while (a.count > 0 && At(a.d, a.count - 1) == 0) {
        --a.count;
    }
}

// Stores a digit produced at position i: kept while there is room, else only
// remembered when it is not zero.
void Put(LongDecimal& a, int i, ScaleWord digit) {
    if (i < LongDecimal::kCapacity) {
        At(a.d, i) = static_cast<std::uint8_t>(digit);
    } else if (digit != 0) {
        a.truncated = true;
    }
}

// Multiplying 0.D by 2^k moves the point by as many digits as 2^k has when
// 0.D is at least 0.(digits of 5^k), and by one fewer otherwise.
struct ScaleUpGain {
    int digits = 0;
    int cutoffLength = 0;
    std::array<std::uint8_t, 48> cutoff{};
};
using GainTable = std::array<ScaleUpGain, kMaxScaleStep + 1>;

constexpr GainTable MakeGainTable() {
    GainTable table{};
    std::array<std::uint8_t, 48> power{};  // 5^k, least significant digit first
    power[0] = 1;
    int length = 1;
    for (int k = 1; k <= kMaxScaleStep; ++k) {
        int carry = 0;
        for (int i = 0; i < length; ++i) {
            const int t = power[static_cast<std::size_t>(i)] * 5 + carry;
            power[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(t % 10);
            carry = t / 10;
        }
        if (carry != 0) {
            power[static_cast<std::size_t>(length++)] = static_cast<std::uint8_t>(carry);
        }
        ScaleUpGain& gain = table[static_cast<std::size_t>(k)];
        gain.digits = k + 1 - length;  // 2^k * 5^k = 10^k
        gain.cutoffLength = length;
        for (int i = 0; i < length; ++i) {
            gain.cutoff[static_cast<std::size_t>(i)] =
                power[static_cast<std::size_t>(length - 1 - i)];
        }
    }
    return table;
}

constexpr GainTable kScaleUpGains = MakeGainTable();

int NewDigits(LongDecimal& a, int shift) {
    const ScaleUpGain& gain = kScaleUpGains[static_cast<std::size_t>(shift)];
    for (int i = 0; i < gain.cutoffLength; ++i) {
        if (i >= a.count) return gain.digits - 1;
        const std::uint8_t digit = At(a.d, i);
        const std::uint8_t cut = gain.cutoff[static_cast<std::size_t>(i)];
        if (digit != cut) return digit < cut ? gain.digits - 1 : gain.digits;
    }
    return gain.digits;
}

}  // namespace

void AppendDigits(LongDecimal& a, std::string_view digits) {
    std::size_t i = 0;
    for (; i < digits.size() && a.count < LongDecimal::kCapacity; ++i) {
        At(a.d, a.count++) = static_cast<std::uint8_t>(digits[i] - '0');
    }
    for (; i < digits.size() && !a.truncated; ++i) {
        a.truncated = digits[i] != '0';
    }
}

void ScaleUp(LongDecimal& a, int shift) {
    // From the last digit to the first, each digit times 2^shift plus the
    // carry: its last decimal digit stays, the rest carries on.
    const int gained = NewDigits(a, shift);
    ScaleWord n = 0;
    int write = a.count + gained;
    for (int read = a.count - 1; read >= 0; --read) {
        n += ScaleWord{At(a.d, read)} << shift;
        Put(a, --write, n % 10);
        n /= 10;
    }
    for (; n > 0; n /= 10) {
        Put(a, --write, n % 10);
    }
    a.count = a.count + gained < LongDecimal::kCapacity ? a.count + gained : LongDecimal::kCapacity;
    a.point += gained;
    TrimTrailingZeros(a);
}

// Long division by 2^shift, in place, from the first digit on. n is the
// dividend of the current quotient digit: the remainder so far (below
// 2^shift) times 10 plus the next digit read, so n < 10 * 2^shift always fits
// a ScaleWord and every quotient digit n >> shift is below 10.
void ScaleDown(LongDecimal& a, int shift) {
    if (a.count == 0) return;
    int read = 0;
    int write = 0;
    ScaleWord n = 0;
    // Read ahead until n >= 2^shift, so that the first quotient digit is
    // not zero and the result stays normalised (d[0] != 0); digits past the
    // last one are zeros. As d[0] != 0, this takes at most
    // ceil(shift * log10(2)) + 1 digits. The quotient digit that n now gives
    // stands at the place of the last digit read, read - 1 places after the
    // first: the point moves left by that much.
    for (; (n >> shift) == 0; ++read) {
        n = n * 10 + (read < a.count ? At(a.d, read) : 0u);
    }
    a.point -= read - 1;
    // From here on each step writes one quotient digit and reads one digit,
    // so write < read: a digit is overwritten only after it has been read.
    const ScaleWord mask = (ScaleWord{1} << shift) - 1;
    for (; read < a.count; ++read) {
        At(a.d, write++) = static_cast<std::uint8_t>(n >> shift);
        n = (n & mask) * 10 + At(a.d, read);
    }
    // The digits are used up; the remainder gives the rest of the quotient.
    // Each step multiplies it by 10, so by another factor 2: after at most
    // `shift` steps it is a multiple of 2^shift and nothing remains.
    for (; n > 0; n = (n & mask) * 10) {
        Put(a, write, n >> shift);
        if (write < LongDecimal::kCapacity) ++write;
    }
    a.count = write;
    TrimTrailingZeros(a);
}

void RoundToInteger(LongDecimal& a) {
    TrimTrailingZeros(a);
    if (a.point >= a.count) return;
    if (a.point < 0) {
        a.count = 0;  // below 0.1
        a.point = 0;
        return;
    }
    const std::uint8_t first = At(a.d, a.point);
    const bool odd = a.point > 0 && (At(a.d, a.point - 1) & 1u) != 0;
    const bool exactHalf = first == 5 && a.point + 1 == a.count && !a.truncated;
    a.count = a.point;
    a.truncated = false;
    if (first > 5 || (first == 5 && (!exactHalf || odd))) {
        // Add one to the last integer digit; a carry out of the first one
        // leaves a single 1 a place higher.
        while (a.count > 0 && At(a.d, a.count - 1) == 9) {
            --a.count;
        }
        if (a.count == 0) {
            At(a.d, 0) = 1;
            a.count = 1;
            ++a.point;
            return;
        }
        ++At(a.d, a.count - 1);
        return;
    }
    TrimTrailingZeros(a);
}

}  // namespace calc
