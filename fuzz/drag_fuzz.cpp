// libFuzzer target over the field reader, the calculation request and the
// litres per 100 km, also in the page's UK and US units, with every result
// checked against the MPFR model. The
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

    for (const std::string& field : fields) {
        const FieldValue got = ParseFieldValue(field.c_str());
        const std::string number = oracle::CutNumber(field);
        const bool hasDigit = !number.empty();
        const double expected = hasDigit ? model.ReadDouble(number) : 0.0;
        if (got.hasDigit != hasDigit || std::memcmp(&got.value, &expected, sizeof expected) != 0) {
            Fail("ParseFieldValue", field, Bits(hasDigit, expected), Bits(got.hasDigit, got.value));
        }
        // Read again as mph, the exact product with the mile rounded once.
        const FieldValue mph = calc::ParseScaledFieldValue(field.c_str(), calc::kKilometresPerMile);
        const double kmh = hasDigit ? model.ReadScaledDouble(number, oracle::kMile) : 0.0;
        if (mph.hasDigit != hasDigit || std::memcmp(&mph.value, &kmh, sizeof kmh) != 0) {
            Fail("ParseScaledFieldValue", field, Bits(hasDigit, kmh),
                 Bits(mph.hasDigit, mph.value));
        }
    }

    // The request in UK and US units, its texts converted.
    for (const calc::UnitSystem units : {calc::UnitSystem::Uk, calc::UnitSystem::Us}) {
        const calc::UnitConversions u = calc::ConversionsFor(units);
        const DragOutcome drag = ComputeDrag(
            {fields[0].c_str(), fields[1].c_str(), fields[2].c_str(), fields[3].c_str()}, units);
        const oracle::Result want = model.Compute(fields[0], fields[1], fields[2], fields[3],
                                                  static_cast<oracle::Units>(units));
        if ((drag.status == DragStatus::Ok) != want.hasDigit) Fail("status", fields[0], "", "");
        if (!want.hasDigit) continue;
        const double litres =
            calc::ComputeFuelPer100Km(drag.fuelRate,
                                      calc::ParseScaledFieldValue(fields[0].c_str(), u.speed).value)
                .litres;
        const std::string texts = want.power + " " + want.fuel + " " + want.fuelPer100Km;
        const std::string gotTexts =
            std::string(calc::ConvertResult(drag.power, u.power).text.data()) + " " +
            calc::ConvertResult(drag.fuelRate, u.fuelRate).text.data() + " " +
            calc::ConvertResult(litres, u.fuelPer100Km).text.data();
        if (texts != gotTexts)
            Fail("ComputeDrag in units", fields[0] + "|" + fields[3], texts, gotTexts);
    }

    const DragOutcome got =
        ComputeDrag({fields[0].c_str(), fields[1].c_str(), fields[2].c_str(), fields[3].c_str()});
    const oracle::Result expected = model.Compute(fields[0], fields[1], fields[2], fields[3]);
    if ((got.status == DragStatus::Ok) != expected.hasDigit) {
        Fail("ComputeDrag status", fields[0], expected.hasDigit ? "Ok" : "NoDigit",
             got.status == DragStatus::Ok ? "Ok" : "NoDigit");
    }
    if (expected.hasDigit) {
        const calc::FuelPer100Km litres =
            calc::ComputeFuelPer100Km(got.fuelRate, ParseFieldValue(fields[0].c_str()).value);
        const std::string texts =
            expected.power + " " + expected.fuel + " " + expected.fuelPer100Km;
        const std::string gotTexts = std::string(got.powerText.data()) + " " + got.fuelText.data() +
                                     " " + litres.text.data();
        if (texts != gotTexts)
            Fail("ComputeDrag", fields[0] + "|" + fields[1] + "|" + fields[2] + "|" + fields[3],
                 texts, gotTexts);
    }
    return 0;
}
