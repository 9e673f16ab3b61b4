#include "calc/field_value.h"

#include "calc/decimal.h"
#include "calc/field_text.h"

namespace calc {

FieldValue ParseFieldValue(const char* text) {
    const char* p = field_text::FirstDigit(text);
    if (*p == '\0') {
        return {};
    }
    return {true, DecimalToDouble(field_text::ReadDecimal(p))};
}

}  // namespace calc
