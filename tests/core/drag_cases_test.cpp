// The Windows build held to the texts of the native build's MPFR oracle: the
// native differential test writes its cases and the oracle's texts to a
// file, and this test, run under Wine, computes every case again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "calc/drag.h"
#include "calc/field_value.h"

#ifndef KALVOR_CASES_FILE
#error "KALVOR_CASES_FILE must name the file written by the native oracle test"
#endif

namespace {

using calc::ComputeDrag;
using calc::ComputeFuelPer100Km;
using calc::DragOutcome;
using calc::DragStatus;

// Splits one line "speed\tdrag\theat\tarea\tpower\tfuel\tper100km\n" in
// place.
bool SplitCase(char* line, const char* fields[7]) {
    char* cursor = line;
    for (int i = 0; i < 7; ++i) {
        fields[i] = cursor;
        char* end = std::strpbrk(cursor, i < 6 ? "\t" : "\r\n");
        if (end == nullptr) return i == 6;
        *end = '\0';
        cursor = end + 1;
    }
    return true;
}

TEST(ComputeDragSharedCases, SameTextsAsTheNativeOracle) {
    std::FILE* cases = std::fopen(KALVOR_CASES_FILE, "rb");
    if (cases == nullptr && std::getenv("KALVOR_REQUIRE_ORACLE_CASES") == nullptr) {
        GTEST_SKIP() << "no oracle cases yet: `ctest --preset native` writes " KALVOR_CASES_FILE;
    }
    ASSERT_NE(cases, nullptr) << KALVOR_CASES_FILE << " is missing after the native run";
    char line[4096];
    long count = 0, mismatches = 0;
    while (std::fgets(line, sizeof line, cases) != nullptr) {
        // A line of the page's other units names them in an eighth column.
        if (std::count(line, line + std::strlen(line), '\t') > 6) continue;
        const char* f[7];
        ASSERT_TRUE(SplitCase(line, f)) << "malformed line " << count + 1;
        const DragOutcome out = ComputeDrag({f[0], f[1], f[2], f[3]});
        const calc::FuelPer100Km litres =
            ComputeFuelPer100Km(out.fuelRate, calc::ParseFieldValue(f[0]).value);
        ++count;
        if (out.status != DragStatus::Ok || std::strcmp(out.powerText.data(), f[4]) != 0 ||
            std::strcmp(out.fuelText.data(), f[5]) != 0 ||
            std::strcmp(litres.text.data(), f[6]) != 0) {
            if (++mismatches <= 10) {
                ADD_FAILURE() << "line " << count << " '" << f[0] << "' '" << f[1] << "' '" << f[2]
                              << "' '" << f[3] << "': expected " << f[4] << " " << f[5] << " "
                              << f[6] << ", got " << out.powerText.data() << " "
                              << out.fuelText.data() << " " << litres.text.data();
            }
        }
    }
    std::fclose(cases);
    EXPECT_GE(count, 100000) << "the native run writes at least 100,000 cases";
    EXPECT_EQ(mismatches, 0) << "of " << count << " cases";
}

}  // namespace
