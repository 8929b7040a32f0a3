// Reading HP-GL/2 parameters: numbers, text to a semicolon and label text.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include <cstddef>
#include <cstdint>

// Largest magnitude of an HP-GL/2 number.
constexpr double kHpglNumberLimit = 1073741823.0;

// The numeric parameters after a mnemonic, as decimals clamped to the HP-GL/2 range.
struct HpglParams {
    std::vector<double> values;
    size_t size() const { return values.size(); }
    bool empty() const { return values.empty(); }
    double operator[](size_t i) const { return values[i]; }
    // The value as an integer, truncated toward zero.
    int32_t integer(size_t i) const { return static_cast<int32_t>(values[i]); }
};

// Digits, signs and points make numbers; commas and blanks separate them, and a
// sign after a digit starts the next one. The first other byte ends the list; a
// number still open where the data was `cut` short is dropped.
HpglParams ReadNumericParams(const uint8_t* p, size_t length, bool cut = false);
// The text before the first `terminator`, when there is one and it is not empty.
std::optional<std::string> ReadLabelText(const uint8_t* p, size_t length, uint8_t terminator);

// Saturating conversions used by the handlers.
int32_t SaturatedInt(double v);
int32_t SaturatedAdd(int32_t a, int32_t b);
