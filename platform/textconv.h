#pragma once
// The one pair of helpers where GBK text crosses to UTF-8 (widgets, console, OS names).
#include <string>

namespace platform {

// Undecodable bytes become U+FFFD so that nothing is silently dropped.
std::string GbkToUtf8(const std::string& gbk);
// Characters without a GBK form become '?'.
std::string Utf8ToGbk(const std::string& utf8);

}  // namespace platform
