#include "aggregation/Amount.h"

#include <limits>

std::int64_t CheckedAdd(std::int64_t a, std::int64_t b) {
    if ((b > 0 && a > std::numeric_limits<std::int64_t>::max() - b) ||
        (b < 0 && a < std::numeric_limits<std::int64_t>::min() - b)) {
        throw AmountOverflow();
    }
    return a + b;
}

Amount Amount::FromValue(std::int64_t value) {
    Amount amount;
    // The magnitude in unsigned arithmetic, so that the most negative value has one too.
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    amount.whole_ = static_cast<std::int64_t>(magnitude / 10000);
    amount.fraction_ = static_cast<std::uint32_t>(magnitude % 10000);
    amount.sign_ = value < 0 ? -1 : 1;
    return amount;
}

Amount Amount::FromYen(std::int32_t yen) {
    Amount amount;
    amount.whole_ = yen < 0 ? -static_cast<std::int64_t>(yen) : yen;
    amount.sign_ = yen < 0 ? -1 : 1;
    return amount;
}

std::int64_t Amount::Value() const {
    std::uint64_t magnitude = static_cast<std::uint64_t>(whole_) * 10000 + fraction_;
    return sign_ < 0 ? static_cast<std::int64_t>(0 - magnitude)
                     : static_cast<std::int64_t>(magnitude);
}

Amount Amount::BoundedSum(const Amount& a, const Amount& b) {
    std::int64_t sum = CheckedAdd(a.Value(), b.Value());
    if (sum >= kBound || sum <= -kBound) throw AmountOverflow();
    return FromValue(sum);
}

Amount Amount::Difference(const Amount& a, const Amount& b) {
    std::int64_t second = b.Value();
    if (second == std::numeric_limits<std::int64_t>::min()) throw AmountOverflow();
    return FromValue(CheckedAdd(a.Value(), -second));
}

Amount& Amount::operator+=(const Amount& other) {
    *this = FromValue(CheckedAdd(Value(), other.Value()));
    return *this;
}

std::int64_t operator+(std::int64_t value, const Amount& amount) {
    return CheckedAdd(value, amount.Value());
}

int Amount::DiffersFrom(std::int32_t yen) const {
    std::int64_t signedWhole = sign_ < 0 ? -whole_ : whole_;
    return fraction_ != 0 || signedWhole != yen ? 1 : 0;
}
