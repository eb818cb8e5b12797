// SPDX-License-Identifier: MIT
#pragma once
// Virtual key codes of the keys by their position on a US (ANSI) keyboard.
// Key events carry these codes whatever layout is active.

#include <cstdint>

namespace brisquel::KeyCode {

inline constexpr std::uint16_t ANSI_A = 0;
inline constexpr std::uint16_t ANSI_S = 1;
inline constexpr std::uint16_t ANSI_D = 2;
inline constexpr std::uint16_t ANSI_F = 3;
inline constexpr std::uint16_t ANSI_H = 4;
inline constexpr std::uint16_t ANSI_G = 5;
inline constexpr std::uint16_t ANSI_Z = 6;
inline constexpr std::uint16_t ANSI_X = 7;
inline constexpr std::uint16_t ANSI_C = 8;
inline constexpr std::uint16_t ANSI_V = 9;
inline constexpr std::uint16_t ANSI_B = 11;
inline constexpr std::uint16_t ANSI_Q = 12;
inline constexpr std::uint16_t ANSI_W = 13;
inline constexpr std::uint16_t ANSI_E = 14;
inline constexpr std::uint16_t ANSI_R = 15;
inline constexpr std::uint16_t ANSI_Y = 16;
inline constexpr std::uint16_t ANSI_T = 17;
inline constexpr std::uint16_t ANSI_1 = 18;
inline constexpr std::uint16_t ANSI_2 = 19;
inline constexpr std::uint16_t ANSI_3 = 20;
inline constexpr std::uint16_t ANSI_4 = 21;
inline constexpr std::uint16_t ANSI_6 = 22;
inline constexpr std::uint16_t ANSI_5 = 23;
inline constexpr std::uint16_t ANSI_Equal = 24;
inline constexpr std::uint16_t ANSI_9 = 25;
inline constexpr std::uint16_t ANSI_7 = 26;
inline constexpr std::uint16_t ANSI_Minus = 27;
inline constexpr std::uint16_t ANSI_8 = 28;
inline constexpr std::uint16_t ANSI_0 = 29;
inline constexpr std::uint16_t ANSI_RightBracket = 30;
inline constexpr std::uint16_t ANSI_O = 31;
inline constexpr std::uint16_t ANSI_U = 32;
inline constexpr std::uint16_t ANSI_LeftBracket = 33;
inline constexpr std::uint16_t ANSI_I = 34;
inline constexpr std::uint16_t ANSI_P = 35;
inline constexpr std::uint16_t Return = 36;
inline constexpr std::uint16_t ANSI_L = 37;
inline constexpr std::uint16_t ANSI_J = 38;
inline constexpr std::uint16_t ANSI_Quote = 39;
inline constexpr std::uint16_t ANSI_K = 40;
inline constexpr std::uint16_t ANSI_Semicolon = 41;
inline constexpr std::uint16_t ANSI_Backslash = 42;
inline constexpr std::uint16_t ANSI_Comma = 43;
inline constexpr std::uint16_t ANSI_Slash = 44;
inline constexpr std::uint16_t ANSI_N = 45;
inline constexpr std::uint16_t ANSI_M = 46;
inline constexpr std::uint16_t ANSI_Period = 47;
inline constexpr std::uint16_t Tab = 48;
inline constexpr std::uint16_t Space = 49;
inline constexpr std::uint16_t ANSI_Grave = 50;
inline constexpr std::uint16_t Delete = 51;  // Backspace
inline constexpr std::uint16_t Escape = 53;
inline constexpr std::uint16_t RightCommand = 54;
inline constexpr std::uint16_t Command = 55;
inline constexpr std::uint16_t Shift = 56;
inline constexpr std::uint16_t CapsLock = 57;
inline constexpr std::uint16_t Option = 58;
inline constexpr std::uint16_t Control = 59;
inline constexpr std::uint16_t RightShift = 60;
inline constexpr std::uint16_t RightOption = 61;
inline constexpr std::uint16_t RightControl = 62;
inline constexpr std::uint16_t Function = 63;
inline constexpr std::uint16_t Home = 115;
inline constexpr std::uint16_t ForwardDelete = 117;
inline constexpr std::uint16_t End = 119;
inline constexpr std::uint16_t LeftArrow = 123;
inline constexpr std::uint16_t RightArrow = 124;
inline constexpr std::uint16_t DownArrow = 125;
inline constexpr std::uint16_t UpArrow = 126;

}  // namespace brisquel::KeyCode
