#include "app/CallerLine.h"

#include "common/Decimal.h"
#include "common/PathLimit.h"

CallerLine ParseCallerLine(std::string_view line) {
    CallerLine caller;
    std::string_view rest = line;
    // The next field, up to its comma; false when no comma follows.
    auto next = [&rest](std::string_view* field) {
        std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) return false;
        *field = rest.substr(0, comma);
        rest.remove_prefix(comma + 1);
        return true;
    };
    CallerLink& link = caller.link;
    std::string_view field;
    if (!next(&field)) return caller;
    link.window = ParseDecimal(field);
    if (!next(&field)) return caller;
    link.message = ParseDecimal(field);
    if (!next(&field)) return caller;
    link.wParam =
        static_cast<std::int16_t>(static_cast<std::uint16_t>(ParseDecimal(field) & 0xFFFF));
    caller.fromCaller = true;
    if (!FitsPathLimit(rest)) {
        caller.pathTooLong = true;
    } else {
        link.path = std::string(rest);
    }
    return caller;
}
