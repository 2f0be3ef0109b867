#include "platform/ui/data_exchange.h"

#include "platform/ui/control_ref.h"
#include "platform/ui/dialog.h"

namespace ui {

void DataExchange::Text(int id, std::string& value) {
  if (m_save) value = m_dialog.ItemText(id);
  else m_dialog.SetItemText(id, value);
}

void DataExchange::Check(int id, int& value) {
  if (m_save) value = m_dialog.IsItemChecked(id);
  else m_dialog.CheckItem(id, value);
}

void DataExchange::Check(int id, bool& value) {
  int v = value ? 1 : 0;
  Check(id, v);
  if (m_save) value = v != 0;
}

void DataExchange::Radio(int firstId, int& index) {
  if (m_save) index = m_dialog.RadioIndex(firstId);
  else m_dialog.SetRadioIndex(firstId, index);
}

void DataExchange::Control(int id, ControlRef& ref) {
  if (ref.IsAttached()) return;
  if (!ref.Attach(m_dialog, id)) m_failed = true;
}

}  // namespace ui
