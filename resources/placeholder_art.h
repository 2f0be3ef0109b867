#pragma once
// The programs' pictures, drawn in code: simple flat shapes in the product's blues,
// at the sizes the dialogs use them.
#include "platform/ui/image.h"

namespace res {

// Colours shared by the pictures and the windows drawn on them.
inline constexpr ui::Color kHeaderBlue = ui::Rgb(21, 101, 192);
inline constexpr ui::Color kDeepBlue = ui::Rgb(10, 52, 120);
inline constexpr ui::Color kBodyWhite = ui::Rgb(248, 250, 253);

enum class Glyph { Shield, Gear, List, Document, Close, Minimize, Globe, Network, Link, Notice, Spider, Clock, Arrow };

// 400 x 250: the start splash of the panel and of the tray program.
ui::Image SplashPicture();
// 670 x 490: header band and body of the main window and the rule editor.
ui::Image WindowBackground();
// A strip of four images (normal, pressed, hovered, focused) of cx x cy each, for a
// picture button on the header band.
ui::Image ButtonStrip(Glyph glyph, int cx, int cy);
// 32 x 32: the program icon.
ui::Image ProgramIcon();
// 16 x 16 status icons: a shield in the colour, with a mark ('v', '!', '-', 'x', '?', 0).
ui::Image StatusIcon(ui::Color color, char mark);

}  // namespace res
