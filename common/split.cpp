#include "common/split.h"

#include "platform/gbk.h"

int SplitToList(const std::string& text, const std::string& separator, StringList& list, bool clear,
                int minLength) {
  if (clear) list.clear();
  size_t minimum = minLength <= 0 ? 2 : static_cast<size_t>(minLength);
  if (separator.empty()) {
    if (text.size() < 2) return 0;
    list.push_back(text);
    return 1;
  }
  int added = 0;
  gbk::ForEachPiece(text, separator, [&](size_t pos, size_t len) {
    if (len < minimum) return;
    list.push_back(text.substr(pos, len));
    ++added;
  });
  return added;
}

int SplitToArray(const std::string& text, const std::string& separator, StringList& array, bool clear,
                 int minLength) {
  return SplitToList(text, separator, array, clear, minLength);
}
