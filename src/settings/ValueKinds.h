#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// How a settings value is written to ts.ini and which texts are usable on reading.
// nullopt means unusable: the first settings page stops loading at such a value.
namespace settings {

enum class ValueKind { Text, Check, Index, Number, Boolean };

// A decimal number as the settings were always converted: blanks around it, a sign,
// and a fraction rounded half to even are accepted; nothing else.
std::optional<std::int64_t> parseWholeNumber(const QString& text);

// Check box state 0, 1 or 2 (2 shows undetermined and counts as off).
std::optional<std::int16_t> readCheck(const QString& text);
// List index from -1 (nothing selected) to count - 1.
std::optional<std::int16_t> readIndex(const QString& text, int count);
// Slider position within [minimum, maximum]; a value outside is refused.
std::optional<std::int32_t> readNumber(const QString& text, int minimum, int maximum);
// The words True and False in any letter case, or a number (0 False, else True).
std::optional<bool> readBoolean(const QString& text);

QString writeNumber(int value); // check states, indexes and slider positions alike
QString writeBoolean(bool value);

inline bool isChecked(int checkState) {
    return checkState == 1;
}

} // namespace settings
