#include "tests/support/iis_filters.h"

#include <gtest/gtest.h>

#include "platform/iis.h"

namespace qortest {

std::string FilterLoadOrder() {
  namespace iis = platform::iis;
  iis::Object filters;
  EXPECT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters", filters), iis::kOk);
  iis::Value v;
  const uint32_t rc = filters.Get("FilterLoadOrder", v);
  EXPECT_TRUE(rc == iis::kOk || rc == iis::kErrPropertyNotFound) << iis::ErrorText(rc);
  return v.AsText();
}

}  // namespace qortest
