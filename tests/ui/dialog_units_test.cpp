#include "platform/ui/dialog_template.h"

#include <gtest/gtest.h>

namespace {

struct UnitsCase {
  const char* face;
  int points;
  ui::BaseUnits units;
};

TEST(DialogUnits, FixedBaseUnitsPerFont) {
  const UnitsCase cases[] = {
      {"宋体", 9, {6, 12}},
      {"MS Shell Dlg", 8, {6, 13}},
      {"宋体", 10, {7, 14}},
      {"宋体", 12, {8, 16}},
  };
  for (const auto& c : cases) {
    ui::BaseUnits u = ui::BaseUnitsFor(c.face, c.points);
    EXPECT_EQ(u.cx, c.units.cx) << c.face << " " << c.points;
    EXPECT_EQ(u.cy, c.units.cy) << c.face << " " << c.points;
  }
}

TEST(DialogUnits, EdgesConvertOnTheirOwnAndRound) {
  struct Case {
    ui::Rect dlu;
    ui::BaseUnits units;
    ui::Rect px;
  } cases[] = {
      // 1.5 pixels a unit: 433 x 252 units is the system page, 650 x 378 pixels.
      {{0, 0, 433, 252}, {6, 12}, {0, 0, 650, 378}},
      // Odd units round to nearest, each edge for itself: 7 -> 10.5 -> 11, 125 -> 187.5 -> 188.
      {{7, 6, 125, 19}, {6, 12}, {11, 9, 188, 29}},
      {{1, 1, 2, 3}, {6, 13}, {2, 2, 3, 5}},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::DialogUnitsToPixels(c.dlu, c.units), c.px);
  EXPECT_EQ(ui::DialogUnitsToPixels(ui::Size{267, 167}, ui::BaseUnits{6, 12}), (ui::Size{401, 251}));
}

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(ui::MulDivRound(1, 6, 4), 2);
  EXPECT_EQ(ui::MulDivRound(-1, 6, 4), -2);
  EXPECT_EQ(ui::MulDivRound(5, 12, 8), 8);
  EXPECT_EQ(ui::MulDivRound(0, 6, 4), 0);
}

}  // namespace
