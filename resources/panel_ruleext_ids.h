#pragma once
// Resource ids of the rule editor's region, IP, URL, proxy, browser, OS, referer,
// spider and time pages.
#include "resources/panel_rule_ids.h"

namespace res::panel {

// The page templates' ids and the hidden "保存" come from the editor's ids.

// Region page.
inline constexpr int kIdcAreaCountriesFree = 1021;
inline constexpr int kIdcAreaCountriesChosen = 1022;
inline constexpr int kIdcAreaProvincesFree = 1023;
inline constexpr int kIdcAreaProvincesChosen = 1024;
inline constexpr int kIdcAreaCountryAllow = 1056;  // radio group: allow, deny (1057)
inline constexpr int kIdcAreaCountryDeny = 1057;
inline constexpr int kIdcAreaProvinceAllow = 1058;  // radio group: allow, deny (1059)
inline constexpr int kIdcAreaProvinceDeny = 1059;
inline constexpr int kIdcAreaAddCountry = 1035;
inline constexpr int kIdcAreaRemoveCountry = 1060;
inline constexpr int kIdcAreaAddProvince = 1037;
inline constexpr int kIdcAreaRemoveProvince = 1038;

// IP page.
inline constexpr int kIdcIpAllow = 1066;  // radio group: allow, deny (1027)
inline constexpr int kIdcIpDeny = 1027;
inline constexpr int kIdcIpData = 1026;
inline constexpr int kIdcIpHint = 1117;
inline constexpr int kIdcIpFeedback = 1141;

// URL page.
inline constexpr int kIdcUrlData = 1033;
inline constexpr int kIdcUrlWhite = 1067;  // radio group: white list, black list (1027)
inline constexpr int kIdcUrlBlack = 1027;
inline constexpr int kIdcUrlSitesOnly = 1082;  // radio group: only these, all but these (1083)
inline constexpr int kIdcUrlSitesExcept = 1083;
inline constexpr int kIdcUrlSites = 1029;
inline constexpr int kIdcUrlBrowse = 1030;
inline constexpr int kIdcUrlSitesLabel = 1009;
inline constexpr int kIdcUrlListLabel = 1010;
inline constexpr int kIdcUrlHint = 1117;

// Proxy page.
inline constexpr int kIdcAgentAllow = 1072;  // radio group: allow, deny (1026)
inline constexpr int kIdcAgentDeny = 1026;

// Browser page.
inline constexpr int kIdcBrowserData = 1041;
inline constexpr int kIdcBrowserOtherLanguages = 1018;
inline constexpr int kIdcBrowserLanguageAllow = 1076;  // radio group: allow, deny (1028)
inline constexpr int kIdcBrowserLanguageDeny = 1028;
inline constexpr int kIdcBrowserAllow = 1073;  // radio group: allow, deny (1026)
inline constexpr int kIdcBrowserDeny = 1026;
inline constexpr int kIdcBrowserChoose = 1036;
inline constexpr int kIdcBrowserAdd = 1140;
inline constexpr int kIdcBrowserAddAll = 1141;
inline constexpr int kIdcBrowserTable = 1008;
inline constexpr int kIdcBrowserTableHelp = 1118;
inline constexpr int kIdcBrowserLanguageHelp = 1119;
// The language check boxes in the order of their tokens.
inline constexpr int kIdcBrowserLanguages[9] = {1074, 1034, 1039, 1042, 1045, 1043, 1032, 1075, 1040};

// OS page.
inline constexpr int kIdcOsAllow = 1077;  // radio group: allow, deny (1026)
inline constexpr int kIdcOsDeny = 1026;
inline constexpr int kIdcOsOther = 1042;
inline constexpr int kIdcOsHelp = 1078;
inline constexpr int kIdcOsAllWindows = 1031;
inline constexpr int kIdcOsNt10 = 1035;
inline constexpr int kIdcOsNt6 = 1036;
inline constexpr int kIdcOsNt5 = 1037;
// The OS check boxes in the order of their tokens (all Windows, NT 10, NT 6, NT 5,
// Linux, Unix, Android, Mac OS).
inline constexpr int kIdcOsBoxes[8] = {1031, 1035, 1036, 1037, 1032, 1038, 1040, 1039};

// Referer page.
inline constexpr int kIdcReferData = 1037;
inline constexpr int kIdcReferAllow = 1071;  // radio group: allow, deny (1026)
inline constexpr int kIdcReferDeny = 1026;
inline constexpr int kIdcReferHelp = 1114;

// Spider page.
inline constexpr int kIdcSpiderAllow = 1069;  // radio group: allow, deny (1026)
inline constexpr int kIdcSpiderDeny = 1026;
inline constexpr int kIdcSpiderData = 1043;
inline constexpr int kIdcSpiderCommon = 1070;
// Baidu, 360, Sogou, Google.
inline constexpr int kIdcSpiderFlags[4] = {1138, 1139, 1140, 1141};

// Time page.
inline constexpr int kIdcTimeData = 1036;
inline constexpr int kIdcTimeAllow = 1025;  // radio group: allow, deny (1026)
inline constexpr int kIdcTimeDeny = 1026;
inline constexpr int kIdcTimeHelp = 1114;

}  // namespace res::panel
