#pragma once
// Whole text files, bytes unchanged.
#include <string>

#include "common/build.h"

// The lines of the file joined without their line ends (lineEnds appends "\n" after
// each, as the service asks). Panel: a refused open is retried 20 times at 100 ms and
// then reported in a message box. Service: no retry, no message.
int ReadTextFile(const std::string& path, std::string& out, Build build = Build::Panel, bool lineEnds = false);
// Every non-empty line.
int ReadLinesToArray(StringList& array, const std::string& path);
// Non-empty lines, at most 1000.
int CountFileLines(const std::string& path);
// Truncates or appends; 0 when open, write or close fails.
int WriteTextFile(const std::string& path, const std::string& text, bool newline = false, bool append = false);

// Splits file content into lines, accepting "\r\n" and "\n"; a last line without an
// end counts.
StringList SplitLines(const std::string& content);
