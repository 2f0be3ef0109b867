#pragma once
// A font as the dialogs ask for it; hosts map the face to what the machine has.
#include <string>

namespace ui {

struct Font {
  std::string face;  // GBK, e.g. "宋体"
  int points = 9;
  bool bold = false;
  bool underline = false;

  bool operator==(const Font&) const = default;
  // Pixel height at 96 dots per inch.
  int PixelHeight() const { return (points * 96 + 36) / 72; }
};

}  // namespace ui
