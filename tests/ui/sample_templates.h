#pragma once
// Small dialog templates for the model's tests.
#include "platform/ui/ui_hooks.h"
#include "platform/ui/resource_set.h"

namespace qortest {

enum : int {
  kSampleDialog = 900,
  kSampleWithDefault = 901,
  kSamplePage = 902,
  kSampleHolder = 903,
  kIdcName = 1001,
  kIdcNotes = 1002,
  kIdcAuto = 1003,
  kIdcManual = 1004,
  kIdcRadioA = 1010,
  kIdcRadioB = 1011,
  kIdcRadioC = 1012,
  kIdcLink = 1020,
  kIdcLabel = 1021,
  kIdcRun = 1030,
  kIdcHidden = 1031,
  kIdcList = 1040,
  kIdcTabs = 1050,
  kIdcOther = 1060,
};

inline ui::DialogTemplate SampleTemplate(int id, bool withDefault) {
  using ui::ControlKind;
  namespace st = ui::style;
  ui::DialogTemplate t;
  t.id = id;
  t.style = ui::dialog_style::kPopup | ui::dialog_style::kCaption;
  t.cx = 200;
  t.cy = 120;
  t.caption = "样例";
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {kIdOk, ControlKind::Button, "确定", 140, 100, 50, 14, st::kTabStop},
      {kIdCancel, ControlKind::Button, "取消", 80, 100, 50, 14, st::kTabStop},
      {kIdcName, ControlKind::Edit, "", 10, 10, 80, 12, st::kTabStop},
      {kIdcNotes, ControlKind::Edit, "", 10, 26, 80, 30, st::kMultiline | st::kWantReturn},
      {kIdcAuto, ControlKind::CheckBox, "自动", 100, 10, 50, 10, st::kAutoCheck},
      {kIdcManual, ControlKind::CheckBox, "手动", 100, 22, 50, 10, 0},
      {kIdcRadioA, ControlKind::RadioButton, "甲", 100, 34, 30, 10, st::kAutoCheck | st::kGroup},
      {kIdcRadioB, ControlKind::RadioButton, "乙", 100, 46, 30, 10, st::kAutoCheck},
      {kIdcRadioC, ControlKind::RadioButton, "丙", 100, 58, 30, 10, st::kAutoCheck},
      {kIdcLink, ControlKind::Static, "链接", 10, 60, 30, 8, st::kNotify | st::kGroup},
      {kIdcLabel, ControlKind::Static, "标签", 10, 70, 30, 8, 0},
      {kIdcRun, ControlKind::Button, "运行", 10, 100, 50, 14, withDefault ? st::kDefault : 0u},
      {kIdcHidden, ControlKind::Button, "隐藏", 10, 84, 50, 14, st::kHidden | st::kDisabled},
      {kIdcList, ControlKind::ListView, "", 140, 10, 50, 60, 0},
      {kIdcTabs, ControlKind::Tab, "", 140, 72, 50, 20, 0},
  };
  return t;
}

inline ui::DialogTemplate PageTemplate() {
  ui::DialogTemplate t;
  t.id = kSamplePage;
  t.style = ui::dialog_style::kChild;
  t.cx = 100;
  t.cy = 60;
  t.fontFace = "宋体";
  t.controls = {
      {kIdcName, ui::ControlKind::Edit, "", 5, 5, 60, 12, 0},
      {kIdcRun, ui::ControlKind::Button, "运行", 5, 30, 40, 14, 0},
  };
  return t;
}

inline ui::DialogTemplate HolderTemplate() {
  ui::DialogTemplate t;
  t.id = kSampleHolder;
  t.style = ui::dialog_style::kPopup;
  t.cx = 160;
  t.cy = 100;
  t.fontFace = "宋体";
  t.controls = {{kIdcOther, ui::ControlKind::Button, "别的", 5, 80, 40, 14, 0}};
  return t;
}

inline const ui::ResourceSet& SampleResources() {
  static const ui::ResourceSet set = [] {
    ui::ResourceSet s;
    s.AddDialog(SampleTemplate(kSampleDialog, false));
    s.AddDialog(SampleTemplate(kSampleWithDefault, true));
    s.AddDialog(PageTemplate());
    s.AddDialog(HolderTemplate());
    s.AddMenu(ui::Menu{500, {ui::MenuPopup("弹出", {ui::MenuCommand(32001, "一"), ui::MenuSeparator(),
                                                   ui::MenuCommand(32002, "二")})}});
    return s;
  }();
  return set;
}

}  // namespace qortest
