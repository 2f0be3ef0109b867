#pragma once
// Splitting a text into pieces at a separator; pieces shorter than the minimum
// length (0 means 2) are dropped.
#include <string>

#include "common/build.h"

int SplitToList(const std::string& text, const std::string& separator, StringList& list, bool clear = true,
                int minLength = 0);
int SplitToArray(const std::string& text, const std::string& separator, StringList& array, bool clear = true,
                 int minLength = 0);
