// Reading the number out of a field text.
#pragma once

namespace calc {

// What a field text holds: whether it has a decimal digit at all, and the
// number read from the first digit on (0 when there is no digit).
struct FieldValue {
    bool hasDigit = false;
    double value = 0.0;
};

// Skips everything before the first ASCII digit, then reads the longest
// prefix of the form  digits [ '.' digits ] [ ('e'|'E') [sign] digits ]
// and rounds it correctly to the nearest double (too large reads as +inf,
// too small as the nearest subnormal or 0). The decimal point is always '.',
// whatever the locale. Never negative: a sign before the first digit is
// skipped with everything else.
FieldValue ParseFieldValue(const char* text);

}  // namespace calc
