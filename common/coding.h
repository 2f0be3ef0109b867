#pragma once
// The program's own reversible coding of byte strings, the key derived from a text,
// the machine key code, and the small decoders of built-in literals.
#include <cstdint>
#include <string>

// Key of every status message between the panel or the service and the tray program.
inline constexpr uint32_t kMailslotKey = 5287;
// Key of the built-in word.
inline constexpr uint32_t kBuiltinTextKey = 48261;

// Two bytes per plain byte, each in 0x8C-0xB6; the plain text ends at its first 0 byte.
std::string EncodeText(uint32_t key, const std::string& plain);
// The inverse; an odd last byte pairs with 0 and the result ends at the first decoded
// 0 byte. A wrong key gives other bytes, never an error. lowerCase folds ASCII letters.
std::string DecodeText(uint32_t key, const std::string& coded, bool lowerCase = false);

// Trimmed, lower-cased, digested twice and summed.
uint32_t TextToKey(const std::string& text);

// 49 characters of 0-9, A-F and O.
std::string DigestCode(const std::string& text);
// 49 characters; the machine key text is its first 37.
std::string ComposeMachineKey(const std::string& fileTimeText, const std::string& diskText,
                              const std::string& processorText);

// The twelve-character substitution that turns letter-form IP library text into its
// "|"- and "*"-separated form.
void SubstituteChars(std::string& text);
// What the substitution makes of one single-byte character (the others stay).
char SubstitutedChar(char c);

// Letter-pair literal to bytes under a start key, multiplier and addend (wrapping).
std::string DecodePairText(const std::string& coded, uint32_t startKey, uint32_t multiplier, uint32_t addend);
// DecodePairText with the system's fixed start key, multiplier and addend.
std::string DecodeBuiltinPair(const std::string& coded);

// The built-in word ("qor") from which the filter module's file names are made.
std::string GetBuiltinText();
