#pragma once
// The user-interface layer installs these; until then long waits pump nothing and a
// message box goes to standard error.
#include <functional>
#include <string>

// Message box flags and answers, with the values the dialogs are written against.
enum : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbDefButton2 = 0x100,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

using PumpMessagesHook = std::function<int()>;
using MessageBoxHook = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

void SetPumpMessagesHook(PumpMessagesHook hook);
void SetMessageBoxHook(MessageBoxHook hook);

// Dispatches pending messages of the calling thread: 1 when the queue is empty, 0 when
// a quit message was seen (the host posts it again so an outer loop still ends).
int PumpMessages();
// Shows a message box (GBK texts) and returns the answer.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags = kMbOk);
