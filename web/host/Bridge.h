// The page's functions as the module imports them (bridge.js): thin wrappers
// that convert wasm values and call globalThis.Agarhold. Texts cross as UTF-8
// bytes with their length.
#pragma once

#include <cstdint>

extern "C" {
double agarhold_now_ms();
double agarhold_local_days();
// Sleeps until `ms` have passed or an event is queued (ms < 0: no limit).
void agarhold_wait(double ms);
// The oldest queued event: returns its kind (TWebEventKind; 0 when the queue
// is empty), fills `numbers` (4 ints) and `text` (UTF-8, at most cap - 1
// bytes, zero-terminated) and returns the text's length in *textLength.
int agarhold_next_event(int32_t* numbers, char* text, int cap, int32_t* textLength);
void agarhold_sync(const char* json, int length);
void agarhold_board(const uint8_t* rgba, int length);
void agarhold_stars(const float* values, int count);
void agarhold_clock(const float* values, int count);
void agarhold_message_box(const char* text, int textLength, const char* caption, int captionLength);
void agarhold_input_box(const char* caption, int captionLength, const char* prompt, int promptLength,
                        const char* value, int valueLength);
void agarhold_name_dialog(const char* text, int textLength);
void agarhold_play_sound(int list, int index);
// Reads a stored file: its length (only the first `cap` bytes are copied),
// -1 when absent, -2 when storage failed (the message, UTF-8, in `error`).
int agarhold_storage_read(const char* name, uint8_t* data, int cap, char* error, int errorCap);
// Writes a stored file: 0, or -2 with the message in `error`.
int agarhold_storage_write(const char* name, const uint8_t* data, int length, char* error, int errorCap);
void agarhold_ready();
void agarhold_exited();
}
