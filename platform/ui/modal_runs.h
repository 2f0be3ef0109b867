#pragma once
// The dialogs running modally on the user-interface thread, innermost last: what a
// window brought forward must bring forward with it.
namespace ui {

class Dialog;

// The innermost dialog running modally; nullptr when none runs.
Dialog* InnermostModal();

}  // namespace ui
