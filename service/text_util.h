#pragma once
// Small text helpers of the service build.
#include <string>

// A text longer than limit bytes (0 means 40; the limit must exceed 9) becomes its
// first 8 bytes, "..." and its last limit - 9 bytes; neither cut splits a double-byte
// character (the head grows by a byte, the tail loses one). Shorter texts are kept.
std::string ShortenText(const std::string& text, int limit = 0);
// Every character equal to the single byte from becomes to; the trail byte of a
// double-byte character is never touched.
void ReplaceCharInPlace(std::string& text, char from, char to);
// ASCII letters to lower case, in place.
void ToLowerString(std::string& text);
