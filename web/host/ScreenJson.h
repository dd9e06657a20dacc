// The screen model as the page reads it: one JSON text with every sprite,
// label, panel and list the game writes, the tint, the drag state, the game
// speed and the highscore lists the statistics panel shows. The game keeps its
// texts in 8-bit characters (Latin-1); the page gets them as UTF-8.
#pragma once

#include <string>

#include "TGame.h"

// Latin-1 bytes as UTF-8.
std::string Latin1ToUtf8(const std::string& text);
// UTF-8 as Latin-1, the way the window turns typed text into the game's
// characters: a character beyond Latin-1 becomes '?', one for each UTF-16 unit
// it takes (two for one beyond the basic plane). Bytes that are not UTF-8 each
// become '?'.
std::string Utf8ToLatin1(const std::string& text);

// A JSON string literal (quotes included) of UTF-8 text.
std::string JsonString(const std::string& utf8);

// The whole screen model.
std::string ScreenJson(const TGame& game);
