#pragma once
// GBK-aware text operations. A lead byte 0x81-0xFE takes the next byte with it, so a
// search never matches inside a double-byte character (trail bytes include '|', '\\',
// '~' and 'A'-'Z'). Case folding is ASCII only.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gbk {

constexpr size_t npos = std::string::npos;

inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
// Width of the character at pos (1 or 2; 1 for a lone lead byte at the end).
size_t CharWidth(const std::string& s, size_t pos);
// True when pos is the start of a character.
bool IsCharBoundary(const std::string& s, size_t pos);
// Largest character boundary <= limit.
size_t FloorBoundary(const std::string& s, size_t limit);
// The text cut to at most maxBytes, never ending in half a character (a stray lead
// byte at its end is dropped too).
std::string CutBytes(const std::string& s, size_t maxBytes);
// Number of characters (a double-byte pair counts once).
size_t CharCount(const std::string& s);

// Searches walk the text once from where they start, so a run of searches, each from
// the end of the last match, walks it once too. from is a character start: 0, the end
// of a match of whole characters, or a position a walk over the characters gave (a
// position inside a character is taken for the start of one, as the C runtime's
// multi-byte searches take the pointer they are given).
// First match at a character boundary at or after from.
size_t Find(const std::string& s, const std::string& needle, size_t from = 0);
size_t Find(const std::string& s, char c, size_t from = 0);
// Last match at a character boundary starting at or before from.
size_t RFind(const std::string& s, const std::string& needle, size_t from = npos);
size_t RFind(const std::string& s, char c, size_t from = npos);
// Case-blind (ASCII) find; trail bytes are compared as they are. Linear in the text and
// the needle together.
size_t FindNoCase(const std::string& s, const std::string& needle, size_t from = 0);
bool Contains(const std::string& s, const std::string& needle);
// Steps the searches of this thread have taken over their texts so far (a byte passed,
// looked back at, or compared again; the byte search Find hands to the library counts
// as one pass): what benchmarks report, and what shows that a run of searches stays
// linear in its text.
uint64_t SearchSteps();

// Replaces every match; returns the number replaced. An empty needle replaces nothing.
int ReplaceAll(std::string& s, const std::string& from, const std::string& to);
std::string Replaced(std::string s, const std::string& from, const std::string& to);

// Pieces between separators, empty pieces kept.
std::vector<std::string> Split(const std::string& s, const std::string& sep);
// The same pieces as (position, length), in order, without copying them; an empty
// separator gives the whole text as one piece.
void ForEachPiece(const std::string& s, const std::string& sep, const std::function<void(size_t, size_t)>& fn);

// Lines ended by "\n" or "\r\n", without their ends; a last line without an end counts.
// '\n' is never part of a double-byte character, so every one ends a line.
std::vector<std::string> SplitLines(const std::string& text);

std::string TrimLeft(const std::string& s, const char* chars = " \t\r\n");
std::string TrimRight(const std::string& s, const char* chars = " \t\r\n");
std::string Trim(const std::string& s, const char* chars = " \t\r\n");

// ASCII letters only; the trail byte of a pair is never changed.
std::string ToLower(const std::string& s);
std::string ToUpper(const std::string& s);
// <0, 0, >0 like strcmp, ASCII case-blind.
int CompareNoCase(const std::string& a, const std::string& b);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool StartsWith(const std::string& s, const std::string& prefix);
bool EndsWith(const std::string& s, const std::string& suffix);

}  // namespace gbk
