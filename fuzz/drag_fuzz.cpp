// libFuzzer target over the field reader, the calculation request and the
// litres per 100 km, in metric and in the page's UK and US units (the
// scaled reader and the converted texts), with every result checked
// against the MPFR model. The
// input is split at zero bytes into up to four field texts (a field never
// holds a zero byte); each is cut at 65,534 characters, as the window reads
// it.
//
//   build/fuzz/fuzz/kalvor_drag_fuzz fuzz/corpus -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "calc/drag.h"
#include "calc/field_value.h"
#include "calc/units.h"
#include "tests/oracle/mpfr_oracle.h"

namespace {

using calc::ComputeDrag;
using calc::DragOutcome;
using calc::DragStatus;
using calc::FieldValue;
using calc::ParseFieldValue;

[[noreturn]] void Fail(const char* what, const std::string& text, const std::string& expected,
                       const std::string& got) {
    std::fprintf(stderr, "%s mismatch on '%.200s' (%zu bytes): expected %s, got %s\n", what,
                 text.c_str(), text.size(), expected.c_str(), got.c_str());
    std::abort();
}

std::string Bits(bool hasDigit, double x) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d/%016llx", hasDigit ? 1 : 0,
                  static_cast<unsigned long long>(bits));
    return buffer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static oracle::DragOracle model;

    std::string fields[4] = {"100", "0.3", "45.22", "2.25"};
    const char* cursor = reinterpret_cast<const char*>(data);
    const char* const end = cursor + size;
    for (std::string& field : fields) {
        if (cursor >= end) break;
        const char* zero = static_cast<const char*>(
            std::memchr(cursor, 0, static_cast<std::size_t>(end - cursor)));
        const char* stop = zero != nullptr ? zero : end;
        field.assign(cursor, std::min<std::size_t>(static_cast<std::size_t>(stop - cursor),
                                                   calc::kFieldTextLimit));
        cursor = zero != nullptr ? zero + 1 : end;
    }

    for (int i = 0; i < 4; ++i) {
        const std::string number = oracle::CutNumber(fields[i]);
        const bool hasDigit = !number.empty();
        // Each field plain; speed and area also times their UK and US units.
        const calc::DecimalFactor factors[4] = {
            calc::kKilometresPerMile, {}, {}, calc::kSquareMetresPerSquareFoot};
        const char* const exact[4] = {oracle::kMile, nullptr, nullptr, oracle::kSquareFoot};
        for (const bool scaled : {false, true}) {
            if (scaled && exact[i] == nullptr) continue;
            const FieldValue got = scaled
                                       ? calc::ParseScaledFieldValue(fields[i].c_str(), factors[i])
                                       : ParseFieldValue(fields[i].c_str());
            const double expected = !hasDigit ? 0.0
                                    : scaled  ? model.ReadScaledDouble(number, exact[i])
                                              : model.ReadDouble(number);
            if (got.hasDigit != hasDigit ||
                std::memcmp(&got.value, &expected, sizeof expected) != 0) {
                Fail(scaled ? "ParseScaledFieldValue" : "ParseFieldValue", fields[i],
                     Bits(hasDigit, expected), Bits(got.hasDigit, got.value));
            }
        }
    }

    for (const calc::UnitSystem units :
         {calc::UnitSystem::Metric, calc::UnitSystem::Uk, calc::UnitSystem::Us}) {
        const DragOutcome got = ComputeDrag(
            {fields[0].c_str(), fields[1].c_str(), fields[2].c_str(), fields[3].c_str()}, units);
        const oracle::Result expected =
            model.Compute(fields[0], fields[1], fields[2], fields[3],
                          static_cast<oracle::Units>(static_cast<int>(units)));
        if ((got.status == DragStatus::Ok) != expected.hasDigit) {
            Fail("ComputeDrag status", fields[0], expected.hasDigit ? "Ok" : "NoDigit",
                 got.status == DragStatus::Ok ? "Ok" : "NoDigit");
        }
        if (!expected.hasDigit) continue;
        const calc::UnitConversions c = calc::ConversionsFor(units);
        const calc::FuelPer100Km litres = calc::ComputeFuelPer100Km(
            got.fuelRate, calc::ParseScaledFieldValue(fields[0].c_str(), c.speed).value);
        const std::string texts =
            expected.power + " " + expected.fuel + " " + expected.fuelPer100Km;
        // In metric the request's own texts, and their conversions by one.
        const std::string gotTexts =
            std::string(calc::ConvertResult(got.power, c.power).text.data()) + " " +
            calc::ConvertResult(got.fuelRate, c.fuelRate).text.data() + " " +
            calc::ConvertResult(litres.litres, c.fuelPer100Km).text.data();
        const std::string metricTexts = std::string(got.powerText.data()) + " " +
                                        got.fuelText.data() + " " + litres.text.data();
        if (texts != gotTexts || (units == calc::UnitSystem::Metric && texts != metricTexts))
            Fail("ComputeDrag", fields[0] + "|" + fields[1] + "|" + fields[2] + "|" + fields[3],
                 texts, gotTexts + " / " + metricTexts);
    }
    return 0;
}
