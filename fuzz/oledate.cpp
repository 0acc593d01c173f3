// Dates and times read from a DB.mdb made elsewhere: any double gives a valid date or the
// rejection (an invalid QDate), never undefined behaviour, and a valid date comes back to the
// same whole day.
#include <QDate>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tasks/OleDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    if (Size != sizeof(double))
        return 0;
    double Value;
    std::memcpy(&Value, Data, sizeof Value);
    const QDate Date = OleDate::ToDate(Value);
    OleDate::ToTime(Value);
    if (!Date.isValid())
        return 0;
    if (!std::isfinite(Value))
        std::abort();
    const double Day = OleDate::FromDate(Date);
    // The date is the value truncated toward zero, in both directions from day zero.
    if (Day != std::trunc(Value))
        std::abort();
    return 0;
}
