#include "common/iis_sites.h"

#include <gtest/gtest.h>

#include "platform/faults.h"
#include "platform/ui/ui_hooks.h"
#include "platform/iis.h"
#include "tests/support/temp_install.h"

namespace iis = platform::iis;

namespace {

struct Boxes {
  Boxes() {
    SetMessageBoxHook([this](const std::string& text, const std::string&, unsigned flags) {
      texts.push_back(text);
      flagsSeen = flags;
      return kIdOk;
    });
  }
  ~Boxes() { SetMessageBoxHook(nullptr); }
  std::vector<std::string> texts;
  unsigned flagsSeen = 0;
};

void SetBindings(const std::string& site, std::vector<std::string> bindings) {
  iis::Object o;
  ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/" + site, o), iis::kOk);
  o.Put("ServerBindings", iis::Value::OfList(std::move(bindings)));
  ASSERT_EQ(o.SetInfo(), iis::kOk);
}

}  // namespace

TEST(IisSites, BindingToDomain) {
  struct Case {
    const char* binding;
    const char* want;
  } cases[] = {
      {":80:www.a.com", "www.a.com"},
      {":80:", ""},
      {":8080:", ""},
      {":8080:www.a.com", "www.a.com:8080"},  // ":port:host" stays as it was
      {":80:intranet", ""},                   // a host without a dot offers nothing
      {"", ""},
      {"1.2.3.4:80:", "1.2.3.4"},
      {"1.2.3.4:80:www.a.com", "www.a.com"},
      {"1.2.3.4:8080:", "1.2.3.4:8080"},
      {"1.2.3.4:8080:www.a.com", "www.a.com:8080"},
      {"1.2.3.4:443:intranet", "intranet:443"},
      {"server:80:intranet", ""},  // an address binding without a dot offers nothing either
      {"server:8080:", ""},
      {"*:80:www.a.com", "www.a.com"},
      {"*:81:", ""},
      {"www.a.com", "www.a.com"},
      {":80:中文.com", "中文.com"},
  };
  for (const auto& c : cases) EXPECT_EQ(BindingToDomain(c.binding), c.want) << c.binding;
}

TEST(IisSites, EnumIisSitesByPoolCaseBlind) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  ASSERT_EQ(iis::Seed(7), iis::kOk);
  StringList comments{"old"}, domains{"old.com"};
  EXPECT_EQ(EnumIisSites("shoppool", comments, domains, true), 3);
  EXPECT_EQ(domains, (StringList{"www.example.com", "example.com", "shop.example.com:8080"}));
  EXPECT_EQ(comments, (StringList{"示例商城", "示例商城", "示例商城"}));
  // Without clearing, the next pool's domains follow.
  EXPECT_EQ(EnumIisSites("OLDPOOL", comments, domains, false), 4);
  EXPECT_EQ(domains.back(), "192.168.1.20");
  EXPECT_EQ(comments.back(), "旧站点");
  // The default site's only binding (":80:") offers no domain.
  EXPECT_EQ(EnumIisSites("DefaultAppPool", comments, domains, true), 0);

  // Each binding of a site that offers a domain gives one entry, with the same comment.
  iis::Object root;
  ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/1/Root", root), iis::kOk);
  root.Put("AppPoolId", iis::Value::OfText("ShopPool"));
  ASSERT_EQ(root.SetInfo(), iis::kOk);
  SetBindings("1", {":80:one.com", ":80:two.com"});
  EXPECT_EQ(EnumIisSites("ShopPool", comments, domains, true), 5);
  EXPECT_EQ(domains[0], "one.com");
  EXPECT_EQ(domains[1], "two.com");
  EXPECT_EQ(comments[0], "Default Web Site");
  EXPECT_EQ(comments[1], "Default Web Site");
  EXPECT_EQ(comments[2], "示例商城");
}

TEST(IisSites, WithoutIisTheUserIsToldOncePerCall) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("adsi=0\n");
  Boxes boxes;
  StringList comments{"kept"}, domains{"kept.com"};
  EXPECT_EQ(EnumIisSites("DefaultAppPool", comments, domains, false), 0);
  EXPECT_EQ(EnumIisSites("DefaultAppPool", comments, domains, false), 0);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[0], "抱歉，ADsGetObject 发生错误，错误码：484\n\n系统可能没有安装IIS，或者组件调用出现问题。");
  EXPECT_EQ(boxes.flagsSeen & kMbIconError, kMbIconError);
  EXPECT_EQ(domains, StringList{"kept.com"});
  EXPECT_EQ(CheckIisAdsi(), "ADSI接口错误，错误码0x800401e4");
  StringList pools{"untouched"};
  EXPECT_EQ(EnumIisAppPools(pools), 0);
  EXPECT_EQ(pools, StringList{"untouched"});
  StringList c, f, u, s;
  EXPECT_EQ(GetIisSiteInfo(c, f, u, s), 0);
  EXPECT_TRUE(boxes.texts.size() == 2u);  // only EnumIisSites tells the user
}

TEST(IisSites, SiteInfoPoolsAndCheck) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  ASSERT_EQ(iis::Seed(6), iis::kOk);
  EXPECT_EQ(CheckIisAdsi(), "");
  // The root opens but cannot be walked.
  {
    platform::faults::Guard faults;
    faults.Fail(platform::faults::Kind::IisChildren, 0x80004002u);
    EXPECT_EQ(CheckIisAdsi(), "ADSI接口错误4，错误码0x80004002");
  }
  StringList pools;
  EXPECT_EQ(EnumIisAppPools(pools), 3);
  EXPECT_EQ(pools, (StringList{"DefaultAppPool", "ShopPool", "OldPool"}));

  // Upper case in the home folder comes back lower-cased; a site without a comment is
  // left out.
  iis::Object root;
  ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/2/Root", root), iis::kOk);
  root.Put("Path", iis::Value::OfText("/Srv/Shop"));
  ASSERT_EQ(root.SetInfo(), iis::kOk);
  iis::Object site1;
  ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/1", site1), iis::kOk);
  site1.Put("ServerComment", iis::Value::OfText(""));
  ASSERT_EQ(site1.SetInfo(), iis::kOk);

  StringList comments{"x"}, folders, users, states;
  ASSERT_EQ(GetIisSiteInfo(comments, folders, users, states), 2);
  EXPECT_EQ(comments, (StringList{"示例商城", "旧站点"}));
  EXPECT_EQ(folders[0], "/srv/shop");
  EXPECT_EQ(users, (StringList{"IUSR_SHOP", "IUSR_QORTEST"}));
  EXPECT_EQ(states, (StringList{"1", "0"}));
}
