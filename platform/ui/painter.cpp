#include "platform/ui/painter.h"

#include <algorithm>

#include "platform/gbk.h"

namespace ui {

std::string StripPrefix(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    size_t w = gbk::CharWidth(s, i);
    if (w == 1 && s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') {
        out += '&';
        i += 2;
      } else {
        ++i;
      }
      continue;
    }
    out.append(s, i, w);
    i += w;
  }
  return out;
}

bool DrawBackgroundPicture(Painter& painter, const Image* picture, const Rect& client) {
  if (!picture) return false;
  const int w = std::min(client.Width(), picture->Width()), h = std::min(client.Height(), picture->Height());
  painter.DrawImage(*picture, Rect{0, 0, w, h}, Rect{0, 0, w, h});
  return true;
}

}  // namespace ui
