#include "platform/ui/qt/qt_keys.h"

#include <Qt>
#include <utility>

namespace ui::qt {

namespace {
// The first row of a model key is the key that stands for it going back to Qt.
constexpr std::pair<int, Key> kKeys[] = {
    {Qt::Key_Return, Key::Enter},     {Qt::Key_Enter, Key::Enter},         {Qt::Key_Escape, Key::Escape},
    {Qt::Key_Tab, Key::Tab},          {Qt::Key_Backtab, Key::Tab},         {Qt::Key_Space, Key::Space},
    {Qt::Key_F1, Key::F1},            {Qt::Key_PageUp, Key::PageUp},       {Qt::Key_PageDown, Key::PageDown},
    {Qt::Key_Left, Key::Left},        {Qt::Key_Right, Key::Right},         {Qt::Key_Up, Key::Up},
    {Qt::Key_Down, Key::Down},        {Qt::Key_Home, Key::Home},           {Qt::Key_End, Key::End},
    {Qt::Key_Delete, Key::Delete},    {Qt::Key_Backspace, Key::Backspace}, {Qt::Key_A, Key::A},
    {Qt::Key_C, Key::C},
};
}  // namespace

Key KeyOf(int qtKey) {
  for (const auto& [q, k] : kKeys)
    if (q == qtKey) return k;
  return Key::Other;
}

int QtKeyOf(Key key) {
  for (const auto& [q, k] : kKeys)
    if (k == key) return q;
  return 0;
}

}  // namespace ui::qt
