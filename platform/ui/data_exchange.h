#pragma once
// Moving values between a dialog's members and its controls (DoDataExchange).
#include <string>

namespace ui {

class ControlRef;
class Dialog;

class DataExchange {
 public:
  DataExchange(Dialog& dlg, bool save) : m_dialog(dlg), m_save(save) {}

  // True: controls to members.
  bool Saving() const { return m_save; }
  bool Failed() const { return m_failed; }
  Dialog& Owner() const { return m_dialog; }

  void Text(int id, std::string& value);
  void Check(int id, int& value);
  void Check(int id, bool& value);
  // The group of radio buttons that starts at firstId; -1 for none checked.
  void Radio(int firstId, int& index);
  // Binds the object to the control the first time; a failure to bind fails the exchange.
  void Control(int id, ControlRef& ref);
  // A member check refused the value (the caller has told the user).
  void Fail() { m_failed = true; }

 private:
  Dialog& m_dialog;
  bool m_save;
  bool m_failed = false;
};

}  // namespace ui
