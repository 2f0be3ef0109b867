#include "service/system.h"

#include "common/tray_message.h"
#include "service/text_util.h"

bool CSystem::SendPanelMessage(int code, const std::string& text) {
  const std::string content = text.size() > 50 ? ShortenText(text, 50) : text;
  return SendTrayMessage(BuildTrayMessage(code, content));
}
