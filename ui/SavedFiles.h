// The two files kept next to the program file: "S.hs" (the seven highscore
// tables and the player's rating, 2808 bytes) and "Pl.nam" (the player's name,
// one CR LF line). Every function takes the folder, so tests can use a
// temporary one; the program passes ProgramFolder().
#pragma once

#include <QString>
#include <optional>

#include "HighScores.h"

// The folder of the running program file, with a trailing separator.
QString ProgramFolder();

// The result of a file operation: empty when it worked, else the message for
// the error box.
using TFileError = std::optional<QString>;

bool HighScoreFileExists(const QString& folder);
// Reads "S.hs": at most its first 2808 bytes are placed over `scores` and
// `rating`; a shorter file fails with "Read beyond end of file" after the bytes
// that were there have been placed.
TFileError LoadHighScores(const QString& folder, THighScores& scores, int32_t& rating);
// Writes the 2808-byte record atomically (a temporary file, then a rename), so
// a cut-off save never leaves a damaged file. A write-protected "S.hs" is
// refused like a folder that cannot be written.
TFileError SaveHighScores(const QString& folder, const THighScores& scores, int32_t rating);

// Line 1 of "Pl.nam" (8-bit characters), or nothing when the file is missing,
// unreadable or holds no line.
std::optional<QString> ReadPlayerName(const QString& folder);
// Writes `name` as the one line of "Pl.nam" when it is not empty (an empty name
// writes nothing). On failure: "Cannot create file <path>".
TFileError SavePlayerName(const QString& folder, const QString& name);
