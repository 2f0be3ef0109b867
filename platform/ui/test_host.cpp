#include "platform/ui/test_host.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "platform/gbk.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/textconv.h"

namespace ui {

namespace {
constexpr int64_t kNone = std::numeric_limits<int64_t>::max();

std::string Num(long long v) { return std::to_string(v); }

void CollectCommands(const MenuItem& item, std::vector<int>& out) {
  for (const auto& sub : item.items) {
    if (sub.separator) continue;
    if (sub.IsPopup()) CollectCommands(sub, out);
    else out.push_back(sub.id);
  }
}
}  // namespace

TestHost::TestHost() {
  m_previous = CurrentHost();
  SetCurrentHost(this);
  if (!platform::clock::IsFake()) {
    platform::clock::SetFake(1700000000);
    m_ownsClock = true;
  }
  m_onFailure = [](const std::string& m) {
    std::fprintf(stderr, "test host: %s\n", platform::GbkToUtf8(m).c_str());
  };
  SetPumpMessagesHook([this] { return PumpMessages(); });
  SetMessageBoxHook([this](const std::string& text, const std::string& caption, unsigned flags) {
    return MessageBox(text, caption, flags);
  });
}

TestHost::~TestHost() {
  for (const auto& [part, answer] : m_expectedBoxes) Fail("expected message box never shown: " + part);
  for (int command : m_expectedMenus) Fail("expected popup menu never shown (command " + Num(command) + ")");
  for (const auto& [tid, action] : m_whenShown) Fail("dialog " + Num(tid) + " was never shown");
  SetPumpMessagesHook(nullptr);
  SetMessageBoxHook(nullptr);
  SetCurrentHost(m_previous);
  if (m_ownsClock) platform::clock::ClearFake();
}

void TestHost::SetFailureHandler(std::function<void(const std::string&)> handler) { m_onFailure = std::move(handler); }

void TestHost::Fail(const std::string& message) {
  m_failures.push_back(message);
  if (m_onFailure) m_onFailure(message);
}

// --- script ---

void TestHost::ExpectMessageBox(const std::string& textPart, int answer) { m_expectedBoxes.emplace_back(textPart, answer); }
void TestHost::ExpectMenu(int command) { m_expectedMenus.push_back(command); }
void TestHost::WhenShown(int templateId, std::function<void(Dialog&)> action) {
  m_whenShown.emplace_back(templateId, std::move(action));
}
void TestHost::After(int64_t ms, std::function<void()> action) {
  m_actions.push_back(Action{Now() + std::max<int64_t>(0, ms), m_seq++, std::move(action)});
}

// --- driving ---

int64_t TestHost::Now() const { return platform::clock::NowMs(); }

bool TestHost::IsOpen(const Dialog* dlg) const {
  return std::find(m_dialogs.begin(), m_dialogs.end(), dlg) != m_dialogs.end();
}

bool TestHost::RunPosted() {
  std::function<void()> fn;
  {
    std::lock_guard<std::mutex> lock(m_postMutex);
    if (m_posted.empty()) return false;
    fn = std::move(m_posted.front());
    m_posted.pop_front();
  }
  fn();
  return true;
}

int64_t TestHost::NextDueTime() const {
  int64_t next = kNone;
  for (const auto& t : m_timers) next = std::min(next, t.due);
  for (const auto& a : m_actions) next = std::min(next, a.due);
  return next;
}

bool TestHost::RunNextDue(int64_t limit) {
  // Timers and actions in the order they fall due; equal times in the order they were set.
  const Timer* timer = nullptr;
  for (const auto& t : m_timers)
    if (t.due <= limit && (!timer || t.due < timer->due || (t.due == timer->due && t.seq < timer->seq))) timer = &t;
  const Action* action = nullptr;
  for (const auto& a : m_actions)
    if (a.due <= limit && (!action || a.due < action->due || (a.due == action->due && a.seq < action->seq)))
      action = &a;
  if (!timer && !action) return false;
  bool takeTimer = timer && (!action || timer->due < action->due || (timer->due == action->due && timer->seq < action->seq));
  if (takeTimer) {
    Dialog* dlg = timer->dlg;
    int id = timer->id;
    // Elapsed periods fold into one tick, as a message queue does.
    for (auto& t : m_timers)
      if (t.dlg == dlg && t.id == id) t.due = Now() + t.period;
    Record("timer " + Num(dlg->TemplateId()) + " " + Num(id));
    dlg->DispatchTimer(id);
  } else {
    auto it = std::find_if(m_actions.begin(), m_actions.end(), [&](const Action& a) { return &a == action; });
    auto fn = std::move(it->fn);
    m_actions.erase(it);
    fn();
  }
  return true;
}

void TestHost::AdvanceTo(int64_t ms) {
  int64_t now = Now();
  if (ms > now) platform::clock::AdvanceFake(ms - now);
}

void TestHost::RunPending() {
  int guard = 0;
  while ((RunPosted() || RunNextDue(Now())) && ++guard < 100000) {
  }
  if (guard >= 100000) Fail("timers or posted tasks keep coming without end");
}

void TestHost::RunFor(int64_t ms) {
  const int64_t end = Now() + std::max<int64_t>(0, ms);
  for (;;) {
    RunPending();
    int64_t next = NextDueTime();
    if (next == kNone || next > end) break;
    AdvanceTo(next);
  }
  AdvanceTo(end);
}

void TestHost::HoverItem(Dialog& dlg, int id) {
  dlg.MouseMove(id);
  if (m_tracking.count({&dlg, id})) dlg.MouseHover(id);
}

void TestHost::LeaveItem(Dialog& dlg, int id) {
  if (m_tracking.erase({&dlg, id})) dlg.MouseLeave(id);
}

bool TestHost::PressKey(Dialog& dlg, Key key, bool ctrl) {
  KeyEvent ev;
  ev.key = key;
  ev.ctrl = ctrl;
  ev.focusId = dlg.FocusItem();
  return dlg.KeyDown(ev);
}

// --- record ---

std::vector<std::string> TestHost::LogStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& line : m_log)
    if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
  return out;
}

std::vector<std::string> TestHost::PaintDialog(Dialog& dlg) {
  RecordingPainter p(dlg.ClientRect());
  dlg.Paint(p);
  return p.Ops();
}

std::vector<std::string> TestHost::PaintItem(Dialog& dlg, int id, bool pressed) {
  const Control* c = dlg.Item(id);
  if (!c) return {};
  DrawItemState state;
  state.rect = Rect{0, 0, c->rect.Width(), c->rect.Height()};
  state.selected = pressed;
  state.focus = dlg.FocusItem() == id;
  state.disabled = !c->enabled;
  state.isDefault = (c->style & style::kDefault) != 0;
  state.text = c->text;
  state.font = c->font;
  RecordingPainter p(state.rect);
  dlg.DrawItem(id, p, state);
  return p.Ops();
}

Dialog* TestHost::FindDialog(int templateId) const {
  for (Dialog* d : m_dialogs)
    if (d->TemplateId() == templateId) return d;
  return nullptr;
}

bool TestHost::HasTimer(const Dialog& dlg, int id) const {
  return std::any_of(m_timers.begin(), m_timers.end(), [&](const Timer& t) { return t.dlg == &dlg && t.id == id; });
}

// --- Host ---

void TestHost::CreateView(Dialog& dlg) {
  m_dialogs.push_back(&dlg);
  Record("create " + Num(dlg.TemplateId()));
}

void TestHost::DestroyView(Dialog& dlg) {
  m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(), [&](const Timer& t) { return t.dlg == &dlg; }),
                 m_timers.end());
  for (auto it = m_tracking.begin(); it != m_tracking.end();) it = it->first == &dlg ? m_tracking.erase(it) : ++it;
  m_dialogs.erase(std::remove(m_dialogs.begin(), m_dialogs.end(), &dlg), m_dialogs.end());
  Record("destroy " + Num(dlg.TemplateId()));
}

void TestHost::Changed(Dialog& dlg, int id, Aspect aspect) {
  const std::string tid = Num(dlg.TemplateId());
  const Control* c = id ? dlg.Item(id) : nullptr;
  switch (aspect) {
    case Aspect::Text:
      if (c) Record("text " + tid + " " + Num(id) + " " + c->text);
      break;
    case Aspect::Enabled:
      if (c) Record("enable " + tid + " " + Num(id) + " " + (c->enabled ? "1" : "0"));
      break;
    case Aspect::Visible:
      if (c) Record("visible " + tid + " " + Num(id) + " " + (c->visible ? "1" : "0"));
      break;
    case Aspect::Check:
      if (c) Record("check " + tid + " " + Num(id) + " " + Num(c->check));
      break;
    case Aspect::WindowText:
      Record("caption " + tid + " " + dlg.WindowText());
      break;
    case Aspect::WindowGeometry:
      Record("geometry " + tid + " " + RectText(dlg.WindowRect()));
      break;
    case Aspect::WindowShow: {
      const char* what = !dlg.IsVisible() ? "hide " : dlg.IsMinimized() ? "minimize " : "show ";
      Record(what + tid);
      if (dlg.IsVisible()) {
        for (auto it = m_whenShown.begin(); it != m_whenShown.end();) {
          if (it->first != dlg.TemplateId()) {
            ++it;
            continue;
          }
          Dialog* target = &dlg;
          Post([this, target, fn = std::move(it->second)] {
            if (IsOpen(target)) fn(*target);
          });
          it = m_whenShown.erase(it);
        }
      }
      break;
    }
    case Aspect::Activate:
      Record("activate " + tid);
      break;
    case Aspect::WindowIcon:
      Record("icon " + tid + " " + Num(dlg.IconId()));
      break;
    case Aspect::Focus:
      Record("focus " + tid + " " + Num(id));
      break;
    default:
      break;
  }
}

void TestHost::Invalidate(Dialog& dlg, const Rect& r, bool erase) {
  Record("invalidate " + Num(dlg.TemplateId()) + " " + RectText(r) + (erase ? " 1" : " 0"));
}

void TestHost::RunModal(Dialog& dlg) {
  const int64_t start = Now();
  while (!dlg.HasEnded() && !m_quit) {
    if (RunPosted() || RunNextDue(Now())) continue;
    int64_t next = NextDueTime();
    if (next == kNone) {
      Fail("dialog " + Num(dlg.TemplateId()) + " waits for the user and the script has nothing more to do");
      dlg.EndDialog(kIdCancel);
      break;
    }
    if (next - start > m_modalLimitMs) {
      Fail("dialog " + Num(dlg.TemplateId()) + " is still open after " + Num(m_modalLimitMs) + " ms");
      dlg.EndDialog(kIdCancel);
      break;
    }
    AdvanceTo(next);
  }
}

void TestHost::EndModal(Dialog& dlg) { Record("end " + Num(dlg.TemplateId()) + " " + Num(dlg.Result())); }

bool TestHost::SetTimer(Dialog& dlg, int id, int ms) {
  ms = std::max(ms, 1);
  for (auto& t : m_timers) {
    if (t.dlg == &dlg && t.id == id) {
      t.period = ms;
      t.due = Now() + ms;
      t.seq = m_seq++;
      Record("settimer " + Num(dlg.TemplateId()) + " " + Num(id) + " " + Num(ms));
      return true;
    }
  }
  m_timers.push_back(Timer{&dlg, id, ms, Now() + ms, m_seq++});
  Record("settimer " + Num(dlg.TemplateId()) + " " + Num(id) + " " + Num(ms));
  return true;
}

bool TestHost::KillTimer(Dialog& dlg, int id) {
  auto it = std::find_if(m_timers.begin(), m_timers.end(), [&](const Timer& t) { return t.dlg == &dlg && t.id == id; });
  if (it == m_timers.end()) return false;
  m_timers.erase(it);
  Record("killtimer " + Num(dlg.TemplateId()) + " " + Num(id));
  return true;
}

int TestHost::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  std::lock_guard<std::recursive_mutex> lock(m_boxMutex);
  int answer = DeclineAnswer(flags);
  if (m_expectedBoxes.empty()) {
    Fail("unexpected message box [" + caption + "] " + text);
  } else {
    auto [part, scripted] = m_expectedBoxes.front();
    m_expectedBoxes.pop_front();
    if (!part.empty() && gbk::Find(text, part) == gbk::npos) {
      Fail("message box [" + caption + "] " + text + " where the script expected: " + part);
    } else {
      answer = scripted;
    }
  }
  m_boxRecords.push_back(BoxRecord{text, caption, flags, answer});
  Record("box [" + caption + "] " + text + " -> " + Num(answer));
  return answer;
}

int TestHost::ChooseFromMenu(const MenuItem& popup, Point, Dialog* owner) {
  MenuRecord rec;
  CollectCommands(popup, rec.commands);
  rec.ownerTemplate = owner ? owner->TemplateId() : 0;
  int answer = 0;
  if (m_expectedMenus.empty()) {
    Fail("unexpected popup menu " + popup.text);
  } else {
    answer = m_expectedMenus.front();
    m_expectedMenus.pop_front();
    if (answer && std::find(rec.commands.begin(), rec.commands.end(), answer) == rec.commands.end()) {
      Fail("the script chose command " + Num(answer) + ", which the menu does not have");
      answer = 0;
    }
  }
  rec.answer = answer;
  m_menuRecords.push_back(rec);
  Record("menu " + Num(rec.ownerTemplate) + " -> " + Num(answer));
  return answer;
}

void TestHost::DeliverMenuCommand(Dialog& owner, int command) {
  if (IsOpen(&owner)) owner.SendCommand(command);
}

bool TestHost::ShellOpen(const std::string& file, const std::string& parameters, const std::string& verb, bool show) {
  m_shellRecords.push_back(ShellRecord{file, parameters, verb, show});
  Record("shell " + verb + " " + file + (parameters.empty() ? "" : " " + parameters));
  return m_shellResult;
}

void TestHost::Post(std::function<void()> fn) {
  std::lock_guard<std::mutex> lock(m_postMutex);
  m_posted.push_back(std::move(fn));
}

int TestHost::PumpMessages() {
  if (m_quit) return 0;
  RunPending();
  return m_quit ? 0 : 1;
}

void TestHost::PostQuit(int code) {
  m_quit = true;
  Record("quit " + Num(code));
}

bool TestHost::TrackMouse(Dialog& dlg, int id) {
  m_tracking.insert({&dlg, id});
  Record("track " + Num(dlg.TemplateId()) + " " + Num(id));
  return true;
}

void TestHost::BeginWindowDrag(Dialog& dlg) { Record("drag " + Num(dlg.TemplateId())); }

Size TestHost::MeasureText(const std::string& text, const Font& font) {
  RecordingPainter p;
  return p.MeasureText(text, font);
}

}  // namespace ui
