#include "panel/panel_globals.h"
#include "panel/rule_page.h"

RuleContext PanelRuleContext() {
  return RuleContext{g_Config, g_bIpLibUpdating, g_Global.m_bNeedRestartIis, g_Global.m_strSiteDomains, fontBold10};
}
