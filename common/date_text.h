#pragma once
// Date and time texts of the logs, date normalising and day arithmetic.
#include <stdexcept>
#include <string>

#include "common/build.h"
#include "platform/clock.h"

// "%d-%d-%d %d:%d:%d", no zero padding.
std::string GetNowText();
// YYYY-MM-DD.
std::string GetTodayText();
std::string FormatNowText(const platform::LocalTime& t);
std::string FormatTodayText(const platform::LocalTime& t);

// Either form (and forms with 年 and 月) to YYYY-MM-DD; shorter than 8 gives "".
std::string NormalizeDateText(const std::string& date);

// Whole days from local midnight of the date to now; 0 when the text has no usable
// date. Throws std::invalid_argument for a year below 1900, a month outside 1-12, a
// day outside 1-31 or a date the calendar rejects.
long DateTextToDays(const std::string& date);

// The compact text that stands in for an unreadable creation time; the same in every
// program, because it enters the machine key.
inline constexpr const char* kFileTimeFallbackText = "31415";

// Creation time of a file or folder (never opened for writing). Fills the outputs
// that are given; returns the low 32 bits of the Windows file time, 0 on failure.
// The service build fills only the compact text.
unsigned GetFileTimes(const std::string& path, platform::LocalTime* time, std::string* compact,
                      std::string* dateText, Build build = Build::Panel);

// Days since the creation date of path (the program folder when empty).
long DaysSinceFileDate(const std::string& path);
