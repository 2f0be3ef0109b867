// Descriptions of the IIS failure codes, as the system words them.
#include <cstdio>

#include "platform/iis.h"

namespace platform::iis {

std::string ErrorText(uint32_t code) {
  struct Text {
    uint32_t code;
    const char* text;
  };
  static const Text kTexts[] = {
      {kErrPathNotFound, "系统找不到指定的路径。"},
      {kErrAccessDenied, "拒绝访问。"},
      {kErrInvalidData, "数据无效。"},
      {kErrAlreadyExists, "当文件已存在时，无法创建该文件。"},
      {kErrServiceNotActive, "服务尚未启动。"},
      {kErrNoProvider, "无效的语法。"},
      {kErrUnknownMethod, "未知名称。"},
      {kErrBadPathname, "路径名无效。"},
      {kErrUnknownObject, "未知的目录对象。"},
      {kErrNotBound, "对象尚未绑定。"},
      {kErrPropertyNotFound, "在缓存中找不到此目录属性。"},
      {kErrSchemaViolation, "试图违反架构的规定。"},
  };
  for (const auto& t : kTexts)
    if (t.code == code) return t.text;
  char buf[32];
  std::snprintf(buf, sizeof buf, "错误 0x%08X", code);
  return buf;
}

}  // namespace platform::iis
