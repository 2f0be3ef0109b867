#include "tests/support/iis_filters.h"

#include <gtest/gtest.h>

#include "platform/iis.h"

namespace qortest {

std::string FilterLoadOrder() {
  namespace iis = platform::iis;
  iis::Object filters;
  EXPECT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters", filters), iis::kOk);
  iis::Value v;
  filters.Get("FilterLoadOrder", v);
  return v.AsText();
}

}  // namespace qortest
