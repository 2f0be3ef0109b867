#pragma once
// The one table between Qt's keys and the model's keys.
#include "platform/ui/events.h"

namespace ui::qt {

// The model's key for a Qt key (Qt::Key values); Key::Other for one the model does
// not name.
Key KeyOf(int qtKey);
// The Qt key for a model key; 0 for Key::Other.
int QtKeyOf(Key key);

}  // namespace ui::qt
