#pragma once

namespace slabcal {

// Button sets and answers with the values the calibration code has always tested.
enum class MessageBoxButtons { Ok = 0, YesNo = 4 };

inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;

// The answer a box gives when nobody is there to choose: its default button.
[[nodiscard]] constexpr int DefaultAnswer(MessageBoxButtons buttons) {
    return buttons == MessageBoxButtons::YesNo ? IdYes : IdOk;
}

} // namespace slabcal
