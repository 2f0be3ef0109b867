#include "common/tray_message.h"

#include <climits>

#include "common/coding.h"
#include "platform/gbk.h"
#include "common/tag_text.h"
#include "platform/mailslot.h"

namespace {

const std::string kCmdOpen = "<cmd>", kCmdClose = "</cmd>";
const std::string kCntOpen = "<cnt>", kCntClose = "</cnt>";

// As the C runtime reads a number: blanks, a sign, digits; a value out of range sticks
// at the limit.
int LeadingInt(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

std::string BuildTrayMessage(int command, const std::optional<std::string>& content) {
  std::string plain = kCmdOpen + std::to_string(command) + kCmdClose;
  // Content of whole characters: a lone lead byte at its end would take the '<' of the
  // close tag with it, and the reader would find no close tag.
  if (content) plain += kCntOpen + gbk::CutBytes(*content, content->size()) + kCntClose;
  // Each plain byte becomes a pair: the text is cut to whole characters that still fit,
  // so the reader never gets half a byte nor half a character.
  std::string coded = EncodeText(kMailslotKey, gbk::CutBytes(plain, (kTrayMessageMaxBytes - 1) / 2));
  coded.push_back('\0');
  return coded;
}

TrayMessage ParseTrayText(const std::string& text) {
  TrayMessage m;
  m.command = LeadingInt(GetTagValue(text, kCmdOpen, kCmdClose));
  size_t open = gbk::Find(text, kCntOpen);
  if (open != gbk::npos) {
    if (gbk::Find(text, kCntClose) != gbk::npos)
      m.content = GetTagValue(text, kCntOpen, kCntClose);
    else
      m.content = text.substr(open + kCntOpen.size());
  }
  return m;
}

TrayMessage ParseTrayMessage(const std::string& received) {
  std::string coded = received.substr(0, received.find('\0'));
  if (coded.size() > kTrayMessageMaxBytes - 1) coded.resize(kTrayMessageMaxBytes - 1);
  // A text cut inside a character loses the half.
  std::string text = DecodeText(kMailslotKey, coded);
  return ParseTrayText(gbk::CutBytes(text, text.size()));
}

bool SendTrayMessage(const std::string& bytes) {
  return platform::mailslot::Write(kTrayMailslotName, bytes) == platform::mailslot::kOk;
}
