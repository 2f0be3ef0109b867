#pragma once
// The status message that the panel and the service send to the tray program: one
// builder and one parser for all three programs.
#include <cstddef>
#include <optional>
#include <string>

// The tray program's slot; it is the only reader.
inline constexpr const char kTrayMailslotName[] = "\\\\.\\MailSlot\\QoripPanelStatus";
// The reader's buffer: coded text and its terminating zero never take more.
inline constexpr size_t kTrayMessageMaxBytes = 400;

// Commands the tray program knows; any other number shows the state as unknown.
inline constexpr int kTrayCmdReady = 1;
inline constexpr int kTrayCmdBusy = 2;
inline constexpr int kTrayCmdClosed = 3;
inline constexpr int kTrayCmdExited = 5;
inline constexpr int kTrayCmdQuit = 99;

struct TrayMessage {
  int command = 0;
  std::string content;
};

// Bytes to write: "<cmd>N</cmd>", followed by "<cnt>content</cnt>" when there is a
// content, coded under the mailslot key, then one zero byte. A text too long for the
// reader is cut after its last whole character whose pair still fits.
std::string BuildTrayMessage(int command, const std::optional<std::string>& content = std::nullopt);

// Bytes as read: the text up to the first zero byte (at most 399), decoded,
// cut to whole characters and parsed.
TrayMessage ParseTrayMessage(const std::string& received);
// A decoded text. The command is the leading number between "<cmd>" and "</cmd>" (0 when
// either tag is missing or no digits lead); the content is the text between "<cnt>" and
// "</cnt>", everything after "<cnt>" when it is never closed, empty without "<cnt>".
TrayMessage ParseTrayText(const std::string& text);

// Writes built bytes to the tray program's slot; false when no tray program reads it
// or the write failed.
bool SendTrayMessage(const std::string& bytes);
