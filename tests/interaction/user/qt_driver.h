#pragma once
// Drivers that reach straight into a dialog's widgets, past the window system: what a
// control's widget shows (GBK, line feeds as Qt has them), typing, a key, a click and
// a hover sent to the widget itself. For smoke tests of the Qt host; journeys use the
// hands of QtUser instead. No Qt type here, so GBK-compiled tests can include it.
#include <string>

#include "platform/ui/dialog.h"
#include "platform/ui/qt/qt_host.h"

class QWidget;

namespace qortest {

// The widget that shows a dialog's control, with the dialog's lists brought up to
// date; null when the control has none.
QWidget* WidgetOf(ui::QtHost& host, ui::Dialog& dlg, int id);

class QtDriver {
 public:
  explicit QtDriver(ui::QtHost& host) : m_host(host) {}

  std::string ShownText(ui::Dialog& dlg, int id);
  // False when the control has no widget, or the key has no Qt key.
  bool SimulateTyping(ui::Dialog& dlg, int id, const std::string& gbk);
  bool SimulateKey(ui::Dialog& dlg, int id, ui::Key key);
  bool SimulateClick(ui::Dialog& dlg, int id);
  bool SimulateHover(ui::Dialog& dlg, int id);

 private:
  ui::QtHost& m_host;
};

}  // namespace qortest
