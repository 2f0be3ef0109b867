#pragma once
// The 8 x 8 header arrows of the sortable list, on the blue (0, 0, 255) mask colour:
// an outline in two greys, its lit side the lighter, both dark enough to show on a
// light header.
#include "platform/ui/image.h"

inline constexpr ui::Color kArrowMask = ui::Rgb(0, 0, 255);
inline constexpr ui::Color kArrowGrey = ui::Rgb(100, 100, 100);
inline constexpr ui::Color kArrowLight = ui::Rgb(150, 150, 150);

ui::Image MakeUpArrow();
// The down arrow: its outline lit from the other side.
ui::Image MakeDownArrow();
