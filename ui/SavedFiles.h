// The two saved files: "S.hs" (the seven highscore tables and the player's
// rating, 2808 bytes) and "Pl.nam" (the player's name, one CR LF line). Every
// function takes the folder, so tests can use a temporary one; the program asks
// TSavedFolders which folder holds each file.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "HighScores.h"

// The folder of the running program file, with a trailing separator.
QString ProgramFolder();
// The player's own data folder for the game: $XDG_DATA_HOME/agarhold/
// (~/.local/share/agarhold/ when the variable is unset), trailing separator.
QString UserDataFolder();

extern const char* const HighScoreFileName;  // "S.hs"
extern const char* const PlayerNameFileName;  // "Pl.nam"

// Where each saved file lives. The program's folder while it can hold the file:
// a file that exists there is read and written there, and so is a new one
// while the folder is writable. Only a file that is absent from a folder the
// player cannot write lives in the data folder, so an installed game keeps its
// results and a portable copy keeps them beside itself.
struct TSavedFolders {
    QString Program;  // with a trailing separator
    QString Data;     // with a trailing separator
    QString FolderFor(const char* fileName) const;
};

// The result of a file operation: empty when it worked, else the message for
// the error box.
using TFileError = std::optional<QString>;

// The error box's text for a failed system call's errno: "Disk full" when there
// is no room (full disk, quota, file size limit), "File access denied",
// "File not found", ... and "I/O error <errno>" for anything else.
QString FileErrorText(int err);

// Replaces the file at `path` with `bytes` so that a failure never leaves it
// damaged: the bytes go to a temporary file beside it (one fixed name, so a
// save cut short leaves no litter), every write is checked, the data reach the
// disk, and only then does it take the file's place. Where no temporary file
// can be made (a folder the player cannot write) an existing file is written in
// place. A write-protected file, or anything but a regular file, is refused.
// Returns 0 or the errno of the call that failed.
int WriteFileSafely(const QString& path, const QByteArray& bytes);

bool HighScoreFileExists(const QString& folder);
// Reads "S.hs": at most its first 2808 bytes are placed over `scores` and
// `rating`; a shorter file fails with "Read beyond end of file" after the bytes
// that were there have been placed. Anything but a regular file (a folder, a
// pipe, a device) is refused at once with "File access denied".
TFileError LoadHighScores(const QString& folder, THighScores& scores, int32_t& rating);
TFileError SaveHighScores(const QString& folder, const THighScores& scores, int32_t rating);

// Line 1 of "Pl.nam" (8-bit characters), or nothing when the file is missing,
// unreadable, not a regular file or holds no line.
std::optional<QString> ReadPlayerName(const QString& folder);
// Writes `name` as the one line of "Pl.nam" when it is not empty (an empty name
// writes nothing). On failure: "Cannot create file <path>".
TFileError SavePlayerName(const QString& folder, const QString& name);
