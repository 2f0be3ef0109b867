#pragma once
// The layout check of the Qt host: a dialog as it is shown, with every child page
// below it. A visible control must lie wholly inside the part of its dialog that can
// be seen (a page is seen only where its parents' client areas cover it), and the
// caption of a static, check box, radio button or button must fit its box in the
// font the control is drawn with: as wide as the box on one line, or in as many
// wrapped lines as the box's height holds. A list shows every figure (a count, date,
// time or address) whole in the width of its column.
// This header holds no Qt type, so programs compiled for GBK text can include it.
#include <string>
#include <vector>

#include "platform/ui/dialog.h"

namespace ui {

struct LayoutFault {
  int dialogId = 0;   // the template of the dialog the control sits on
  int controlId = 0;
  std::string what;   // plain ASCII: what does not fit, with the figures
};

// Empty when the dialog has no window on the Qt host, or when everything fits.
std::vector<LayoutFault> CheckLayout(Dialog& dlg);
// "dialog 137, control 1141: ..." for a test's failure message.
std::string DescribeFault(const LayoutFault& fault);

}  // namespace ui
