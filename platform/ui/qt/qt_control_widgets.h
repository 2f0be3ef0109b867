#pragma once
// One Qt widget per model control, and what every kind has in common.
#include <QWidget>

#include "platform/ui/control.h"

namespace ui {
class Dialog;
struct ControlColors;
}

namespace ui::qt {

class DialogView;

class ControlWidget {
 public:
  ControlWidget(DialogView& view, Control& control) : m_view(view), m_control(control) {}
  virtual ~ControlWidget() = default;

  virtual QWidget* Widget() = 0;
  // Shows one changed aspect of the model.
  virtual void Sync(Aspect aspect);
  virtual void ApplyColors(const ControlColors& colors);
  // Lists rebuild lazily; this brings them up to date.
  virtual void Flush() {}
  void SyncAll();

  Control& Model() const { return m_control; }
  void SetTracking(bool on) { m_tracking = on; }
  bool Tracking() const { return m_tracking; }

 protected:
  Dialog* Dlg() const;
  // After a user action has reached the model.
  void AfterEvent();

  DialogView& m_view;
  Control& m_control;
  bool m_syncing = false;
  bool m_tracking = false;
};

ControlWidget* MakeControlWidget(DialogView& view, Control& control, QWidget* parent);

}  // namespace ui::qt
