// The longest texts a field holds (65,534 characters), in four kinds: digits
// only; digits with an exponent as long as the rest of the field; 800
// significant digits in the subnormal range, then a long exponent; no digit
// at all, so that the reader walks the whole text.
#pragma once

#include <string>

inline constexpr int kHugeTextKinds = 4;

inline std::string HugeText(int kind) {
    constexpr std::size_t kFieldLimit = 65534;
    switch (kind) {
        case 0:
            return std::string(kFieldLimit, '7');
        case 1: {
            std::string text(kFieldLimit / 2, '3');
            text += ".25e-";
            return text.append(kFieldLimit - text.size(), '9');
        }
        case 2: {
            std::string text;
            for (int i = 0; i < 800; ++i) text += static_cast<char>('1' + i % 9);
            text += "e-";
            text.append(kFieldLimit - text.size() - 4, '0');
            return text + "1110";
        }
        default:
            return std::string(kFieldLimit, 'x');
    }
}
