#pragma once
// Value forms of the rule fields that the pages turn into and out of their boxes.
#include <string>

#include "common/build.h"

namespace rule {

// Lines of a multi-line box (CR LF or LF) to a list field: blank lines reduced,
// lines joined by "|", then where asked lower-cased with "<" and ">" removed. A run of
// five or more bars, which enough blank lines leave behind, becomes one bar, so a
// list field never holds the rule separator.
std::string EncodeListField(const std::string& boxText, bool lowerNoAngles = false);
// A list field to box lines: "||" to "|" in one pass, then "|" to CR LF.
std::string DecodeListField(const std::string& value);

// "||" to "|" in one left-to-right pass.
std::string ReduceDoubleBars(const std::string& text);

// KeyFileTypes from the one-line box, and back.
std::string EncodeFileTypes(const std::string& boxText);
std::string DecodeFileTypes(const std::string& value);

// KeySites from the domain box (lower-cased, angle brackets removed), and back:
// doubled bars reduced, then one leading and one trailing bar stripped, then each
// bar a line break.
std::string EncodeSites(const std::string& boxText);
std::string DecodeSites(const std::string& value);

// KeyNoteUrl: for a redirect lower-cased and given "http://" unless it names a scheme
// of its own ("http://", "https://", ...); other notice types keep the text as it stands.
std::string EncodeNoteUrl(const std::string& text, int noteType);

// KeyAreaData and KeyStateData: each chosen name behind one bar.
std::string JoinChosenNames(const StringList& names);
// The non-empty names of such a value.
StringList SplitChosenNames(const std::string& value);

}  // namespace rule
