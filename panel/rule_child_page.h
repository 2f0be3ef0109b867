#pragma once
// What the region, IP, URL and advanced rule pages share: a white page with
// transparent statics, Ctrl+A in its multi-line boxes, blue help links that open a
// page of the product's web site, the idle "保存", and the allow/deny choice.
#include <string>
#include <utility>
#include <vector>

#include "panel/rule_page.h"

class CRuleChildPage : public CRulePage {
 public:
  struct Link {
    int id;
    const char* helpPath;  // after the product's web address; null: blue only, no action
  };

  CRuleChildPage(int templateId, const RuleContext& context, std::vector<int> boxes, std::vector<Link> links);

  bool PreTranslateKey(const ui::KeyEvent& key) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;
  ui::Cursor OnSetCursor(int id) override;

  // The product's web address followed by path.
  static std::string HelpAddress(const std::string& path);
  // Opens it in the default browser; the outcome is not reported.
  static void OpenHelp(const std::string& path);

 protected:
  // Radio index of an allow/deny choice on load: 0 exactly when the tag holds "1".
  int LoadChoice(const char* tag) const;

 private:
  const Link* FindLink(int id) const;

  std::vector<int> m_boxes;
  std::vector<Link> m_links;
};
