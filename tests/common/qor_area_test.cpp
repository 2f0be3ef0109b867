#include "common/qor_area.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {
CQorArea Loaded() {
  CQorArea area;
  area.Load();
  return area;
}
}  // namespace

TEST(QorArea, FindCodes) {
  const CQorArea area = Loaded();
  struct Case {
    const char* name;
    int country;
    int province;
  } const cases[] = {
      {"中国", 154, 0},
      {"其他", 0, 0},
      {"火星", 0, 0},
      {"", 0, 0},
      {"阿尔巴尼亚", 1, 0},
      {"纳＊＊亚", 91, 0},
      {"纳**亚", 0, 0},
      {"台湾省", 117, 1030},
      {"香港特别行政区", 132, 1013},
      {"澳门地区", 15, 0},
      {"澳门特别行政区", 0, 1020},
      {"安徽省", 0, 1001},
      {"浙江省", 0, 1034},
      {"新疆维吾尔族自治区", 0, 1031},
      {"南斯拉夫联盟", 93, 0},
      {"扎伊尔", 150, 0},
      {"安徽", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(area.FindCountryCode(c.name), c.country) << c.name;
    EXPECT_EQ(area.FindProvinceCode(c.name), c.province) << c.name;
  }
}

TEST(QorArea, NamesOfCodes) {
  const CQorArea area = Loaded();
  struct Case {
    int code;
    const char* country;
    const char* province;
  } const cases[] = {
      {0, "其他", ""},          {1, "阿尔巴尼亚", ""}, {25, "北朝鲜", ""},
      {154, "中国", ""},        {155, "", ""},         {-1, "", ""},
      {1001, "", "安徽省"},     {1013, "", "香港特别行政区"},
      {1030, "", "台湾省"},     {1034, "", "浙江省"},  {1035, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(area.GetCountryName(c.code), c.country) << c.code;
    EXPECT_EQ(area.GetProvinceName(c.code), c.province) << c.code;
  }
  // The full-width asterisks survive as GBK bytes.
  EXPECT_EQ(area.GetCountryName(91), "\xC4\xC9\xA3\xAA\xA3\xAA\xD1\xC7");
}

TEST(QorArea, ListsComeInGbkByteOrder) {
  const CQorArea area = Loaded();
  struct Case {
    const char* what;
    bool countries;
    size_t count;
    const char* first;
    const char* second;
    const char* last;
    int lowCode, highCode;
  } const cases[] = {
      {"countries", true, 155, "阿尔巴尼亚", "阿尔及利亚", "斐济", 0, 154},
      {"provinces", false, 34, "安徽省", "澳门特别行政区", "重庆市", 1001, 1034},
  };
  for (const auto& c : cases) {
    StringList names = {"stale"}, codes = {"stale", "stale"};
    int n = c.countries ? area.ListCountries(names, codes) : area.ListProvinces(names, codes);
    ASSERT_EQ(n, static_cast<int>(c.count)) << c.what;
    ASSERT_EQ(names.size(), c.count) << c.what;
    ASSERT_EQ(codes.size(), c.count) << c.what;
    EXPECT_EQ(names[0], c.first) << c.what;
    EXPECT_EQ(names[1], c.second) << c.what;
    EXPECT_EQ(names.back(), c.last) << c.what;
    auto byteLess = [](const std::string& a, const std::string& b) {
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
      });
    };
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), byteLess)) << c.what;
    // Each code once, at the index of its name.
    std::set<int> seen;
    for (size_t i = 0; i < names.size(); ++i) {
      int code = std::stoi(codes[i]);
      EXPECT_EQ(codes[i], std::to_string(code));
      EXPECT_EQ(c.countries ? area.FindCountryCode(names[i]) : area.FindProvinceCode(names[i]), code);
      EXPECT_FALSE(names[i].empty());
      seen.insert(code);
    }
    EXPECT_EQ(seen.size(), c.count) << c.what;
    EXPECT_EQ(*seen.begin(), c.lowCode) << c.what;
    EXPECT_EQ(*seen.rbegin(), c.highCode) << c.what;
  }
}

TEST(QorArea, EmptyUntilLoadedAndLoadTwiceKeepsTheCounts) {
  CQorArea area;
  StringList names, codes;
  EXPECT_EQ(area.ListCountries(names, codes), 0);
  EXPECT_EQ(area.GetCountryName(0), "");
  EXPECT_EQ(area.FindProvinceCode("安徽省"), 0);
  area.Load();
  area.Load();
  EXPECT_EQ(area.ListCountries(names, codes), 155);
  EXPECT_EQ(area.ListProvinces(names, codes), 34);
  EXPECT_EQ(area.CountryCount(), 155u);
  EXPECT_EQ(area.ProvinceCount(), 34u);
}
