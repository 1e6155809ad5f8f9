#pragma once

// A fixed-point amount: a signed count of ten-thousandths of a yen, held as its whole part,
// its fraction and its sign. The XML file carries whole yen, the value divided by 10000 and
// truncated toward zero: -15000 is -1 yen, -5000 is 0 yen.
//
// Example: 1234.5678 yen is the value 12345678, held as whole 1234, fraction 5678, sign +1;
// -0.5 yen is -5000, held as whole 0, fraction 5000, sign -1. Zero always has sign +1.

#include <cstdint>
#include <stdexcept>

// Raised when an amount leaves its range: a bounded sum reaching 10^18 ten-thousandths, or
// any result that does not fit 64 bits.
class AmountOverflow : public std::overflow_error {
public:
    AmountOverflow() : std::overflow_error("amount out of range") {}
};

class Amount {
public:
    // The bounded sum refuses magnitudes of this many ten-thousandths and more (the whole part
    // would reach 10^14).
    static constexpr std::int64_t kBound = 1000000000000000000LL;

    // --- construction: zero, from a count of ten-thousandths, from whole yen
    Amount() = default;
    virtual ~Amount() = default;
    Amount(const Amount&) = default;
    Amount& operator=(const Amount&) = default;
    static Amount FromValue(std::int64_t tenThousandths);
    static Amount FromYen(std::int32_t yen);
    void Reset() { *this = Amount(); }

    // --- conversion
    std::int64_t Value() const;
    std::int64_t Whole() const { return whole_; }
    std::uint32_t Fraction() const { return fraction_; }
    std::int16_t Sign() const { return sign_; }

    // --- arithmetic. The bounded sum is the one the balances go through; the others only
    // refuse what 64 bits cannot hold.
    static Amount BoundedSum(const Amount& a, const Amount& b);
    static Amount Difference(const Amount& a, const Amount& b);
    Amount& operator+=(const Amount& other);
    friend std::int64_t operator+(std::int64_t value, const Amount& amount);

    // --- comparison
    bool operator==(const Amount& other) const { return Value() == other.Value(); }
    bool operator!=(const Amount& other) const { return !(*this == other); }
    // 1 when the amount is not exactly the whole number `yen`.
    int DiffersFrom(std::int32_t yen) const;

private:
    std::int64_t whole_ = 0;
    std::uint32_t fraction_ = 0;
    std::int16_t sign_ = 1;
};

// a + b, raising AmountOverflow when the sum does not fit 64 bits.
std::int64_t CheckedAdd(std::int64_t a, std::int64_t b);
