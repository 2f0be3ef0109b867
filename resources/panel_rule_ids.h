#pragma once
// Resource ids of the rule list page, the rule editor frame, its two page holders,
// the base and notice pages and the site picker.
namespace res::panel {

inline constexpr int kDlgRuleList = 129;
inline constexpr int kDlgRuleEditor = 132;
inline constexpr int kDlgRuleBaseHolder = 133;
inline constexpr int kDlgRuleExtHolder = 134;
inline constexpr int kDlgRuleBase = 135;
inline constexpr int kDlgRuleArea = 136;
inline constexpr int kDlgRuleIp = 137;
inline constexpr int kDlgRuleUrl = 138;
inline constexpr int kDlgRuleNotice = 139;
inline constexpr int kDlgRuleSpider = 140;
inline constexpr int kDlgRuleTime = 141;
inline constexpr int kDlgRuleRefer = 142;
inline constexpr int kDlgRuleBrowser = 143;
inline constexpr int kDlgRuleOs = 144;
inline constexpr int kDlgRuleAgent = 145;
inline constexpr int kDlgSelSites = 148;

inline constexpr int kMenuRuleList = 149;

inline constexpr int kBmpRuleAgent = 164;
inline constexpr int kBmpRuleBrowser = 165;
inline constexpr int kBmpRuleOs = 166;
inline constexpr int kBmpRuleRefer = 167;
inline constexpr int kBmpRuleSpider = 168;
inline constexpr int kBmpRuleTime = 169;
inline constexpr int kBmpRuleBaseLabel = 179;
inline constexpr int kBmpRuleExtLabel = 180;

// Rule list page.
inline constexpr int kIdcRuleList = 1008;
inline constexpr int kIdcRuleCount = 1009;
inline constexpr int kIdcRuleAdd = 1010;
inline constexpr int kIdcRuleEdit = 1011;
inline constexpr int kIdcRuleDelete = 1012;
inline constexpr int kIdcRuleProgress = 1055;
inline constexpr int kCmdRuleAdd = 32772;
inline constexpr int kCmdRuleEdit = 32774;
inline constexpr int kCmdRuleDelete = 32776;
inline constexpr int kCmdRuleRefresh = 32804;

// Rule editor frame.
inline constexpr int kIdcEditorBasic = 1006;
inline constexpr int kIdcEditorAdvanced = 1007;
inline constexpr int kIdcEditorTitle = 1009;
inline constexpr int kIdcEditorOn = 1028;
inline constexpr int kIdcEditorCloseText = 1106;
inline constexpr int kIdcEditorClose = 1109;
inline constexpr int kIdcEditorNote = 1117;

// Basic holder.
inline constexpr int kIdcBaseLabel = 1137;
inline constexpr int kIdcShowBase = 1006;
inline constexpr int kIdcShowArea = 1008;
inline constexpr int kIdcShowIp = 1009;
inline constexpr int kIdcShowUrl = 1010;
inline constexpr int kIdcShowNotice = 1011;

// Advanced holder.
inline constexpr int kIdcExtLabel = 1018;
inline constexpr int kIdcShowSpider = 1013;
inline constexpr int kIdcShowAgent = 1014;
inline constexpr int kIdcShowTime = 1015;
inline constexpr int kIdcShowRefer = 1016;
inline constexpr int kIdcShowBrowser = 1017;
inline constexpr int kIdcShowOs = 1012;

// Every rule page carries a "保存" that does nothing: the editor saves.
inline constexpr int kIdcRulePageSave = 1065;

// Base page.
inline constexpr int kIdcBaseFileTypes = 1086;
inline constexpr int kIdcBaseFileTypeOnly = 1084;
inline constexpr int kIdcBaseFileTypeNot = 1085;
inline constexpr int kIdcBaseName = 1027;
inline constexpr int kIdcBaseNoteBlank = 1068;
inline constexpr int kIdcBaseNoteLogin = 1026;
inline constexpr int kIdcBaseNoteRedirect = 1028;
inline constexpr int kIdcBaseNoteText = 1031;
inline constexpr int kIdcBasePassword = 1034;
inline constexpr int kIdcBaseUrl = 1033;
inline constexpr int kIdcBaseWords = 1036;
inline constexpr int kIdcBaseSendReason = 1142;
inline constexpr int kIdcBaseAddWords = 1144;
inline constexpr int kIdcBaseHint = 1117;
inline constexpr int kIdcBaseDead = 1030;

// Notice page.
inline constexpr int kIdcNoteBlank = 1068;
inline constexpr int kIdcNoteLogin = 1026;
inline constexpr int kIdcNoteRedirect = 1027;
inline constexpr int kIdcNoteText = 1028;
inline constexpr int kIdcNotePassword = 1034;
inline constexpr int kIdcNoteUrl = 1033;
inline constexpr int kIdcNoteWords = 1036;

// Site picker.
inline constexpr int kIdcSitesList = 1008;

}  // namespace res::panel
