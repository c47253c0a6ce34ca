#pragma once

#include "data/Result.h"

#include <QString>

// Fixed for every installation so that data files move between them: digits scrambled with the
// PIN shift stay plain ASCII letters, and "z" with the password shift stays below 256.
inline constexpr int PinShift = 65;
inline constexpr int PasswordShift = 128;

// Adds shift to the code of each of the first length characters, leaving CR and LF alone. A code
// that would leave 0..255 fails with "Encodage/Décodage non permis".
Result<QString> ShiftCharacters(int length, const QString& text, int shift);

// True when every character fits in one byte of the 8-bit files.
bool IsLatin1(const QString& text);
