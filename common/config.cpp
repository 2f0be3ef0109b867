#include "common/config.h"

#include <utility>

#include "common/coding.h"
#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/hardware.h"
#include "common/system_info.h"
#include "common/tag_text.h"
#include "common/text_file.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/notice.h"

namespace {

constexpr const char* kConfigFile = "iis/config.db";
constexpr const char* kApplyFile = "iis/apply.db";

// The shape of a store's text: pairs and markers, from a '<' to a '>'. A 0 byte would
// end the text when it is decoded.
bool IsStoreShape(const std::string& plain) {
  return !plain.empty() && plain.front() == '<' && plain.back() == '>' && plain.find('\0') == std::string::npos;
}

// What a store can decode to: nothing at all, or pairs and markers. Any other text
// means a wrong key or a damaged file, and must never be taken for an empty store.
bool IsStoreText(const std::string& coded, const std::string& plain) {
  if (plain.empty()) return coded.empty();
  // A decoded 0 byte ends the text early; a whole store decodes to every pair.
  if (plain.size() * 2 + 1 < coded.size()) return false;
  return IsStoreShape(plain);
}

}  // namespace

CConfig::CConfig(Build build) : m_build(build) {}

CConfig::~CConfig() = default;

void CConfig::PrepareLocked() {
  if (m_moduleDir.empty()) m_moduleDir = GetModuleDir();
  if (m_path.size() < 3) m_path = m_moduleDir + kConfigFile;
}

uint32_t CConfig::EnsureKey() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_key != 0) return m_key;
  }
  // Derived without the lock: deriving pumps messages, whose handlers may read the store.
  const uint32_t key = TextToKey(CHardware().GetMachineKeyText(m_build));
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_key == 0) m_key = key;
  return m_key;
}

int CConfig::Load() {
  const uint32_t key = EnsureKey();
  std::string path;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    PrepareLocked();
    path = m_path;
  }

  if (m_build != Build::Service && !platform::fs::IsFile(path)) {
    // An empty store all the same: the first save makes the file or reports that it
    // cannot.
    if (!WriteTextFile(path, "")) platform::notice::Write("config: " + path + " cannot be made");
    platform::clock::Sleep(100);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_text.clear();
    m_stored.clear();
    m_loaded = true;
    m_recovered = false;
    m_undecodable.clear();
    return 1;
  }

  // Read outside the lock: the panel's read may show a message box.
  std::string coded;
  if (ReadTextFile(path, coded, m_build == Build::Service ? Build::Service : Build::Panel) == 0) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loaded = false;
    m_recovered = false;
    // The service goes on with the store it had; the panel starts from nothing.
    if (m_build != Build::Service || m_text.empty()) m_text = kConfigEndMarker;
    return 0;
  }
  std::string plain = DecodeText(key, coded, false);
  if (!IsStoreText(coded, plain)) return LoadUndecodable(coded, path);
  if (!gbk::EndsWith(plain, kConfigEndMarker)) plain += kConfigEndMarker;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_text = plain;
  m_stored = coded;  // the coding has no line ends of its own
  m_loaded = true;
  m_recovered = false;
  m_undecodable.clear();
  return 1;
}

int CConfig::LoadUndecodable(const std::string& coded, const std::string& path) {
  const bool panel = m_build != Build::Service;
  std::string bytes;
  if (panel) {
    // Nothing may replace bytes that another machine could still read, until a copy
    // of them is kept: the file's own bytes, line ends and all (what was read for
    // decoding lacks them).
    const std::string bad = path + kConfigBadSuffix;
    std::string kept;
    const bool read = platform::fs::ReadFile(path, bytes) == platform::fs::kOk;
    const bool already = read && platform::fs::ReadFile(bad, kept) == platform::fs::kOk && kept == bytes;
    if (!read || (!already && platform::fs::ReplaceFile(bad, bytes) != platform::fs::kOk)) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_loaded = false;
      m_recovered = false;
      m_text = kConfigEndMarker;
      return 0;
    }
  }
  bool tell = false;
  NoticeHook notice;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    tell = coded != m_undecodable;
    m_undecodable = coded;
    m_stored = panel ? bytes : coded;
    notice = m_notice;
    m_text.clear();
    if (panel) ApplyDefaultsLocked();
    m_text += kConfigEndMarker;
    m_loaded = true;
    m_recovered = true;
  }
  if (!tell) return 1;
  // Told outside the lock: a message box runs a loop whose handlers may read the store.
  const char* text = panel ? kConfigUndecodablePanelText : kConfigUndecodableServiceText;
  if (notice) {
    notice(text);
  } else if (panel) {
    ShowMessageBox(text, "提示", kMbOk | kMbIconWarning);
  }
  return 1;
}

int CConfig::Save() {
  std::lock_guard<std::mutex> saving(m_saveMutex);
  std::string coded, before;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_text.size() < 10 || !m_loaded) return 0;
    if (!gbk::EndsWith(m_text, kConfigEndMarker)) m_text += kConfigEndMarker;
    // Never write what the next load would refuse and replace with the defaults.
    if (!IsStoreShape(m_text)) return 0;
    PrepareLocked();  // the key was fixed by the load
    coded = EncodeText(m_key, m_text);
    path = m_path;
    before = m_stored;
  }
  if (const auto rc = platform::fs::ReplaceFile(path, coded); !rc.Ok()) {
    platform::notice::Write("config: " + path + " not saved (" + rc.Text() + ")");
    return 0;
  }
  // Without a new stamp the service never reloads what was saved, and callers take 0
  // for "nothing saved" and keep showing the old store: it goes back.
  const bool stamped = WriteApplyStamp() == 1;
  const auto back = stamped ? platform::fs::Result() : platform::fs::ReplaceFile(path, before);
  if (!stamped && back.Ok()) return 0;
  if (!stamped) {
    // The new store stays in place: the caller must go on showing what the file holds.
    platform::notice::Write("config: " + path + " saved without a stamp; the old store could not be put back (" +
                            back.Text() + ")");
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_stored = std::move(coded);
  return 1;
}

int CConfig::WriteApplyStamp() {
  std::string dir;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_moduleDir.empty()) m_moduleDir = GetModuleDir();
    dir = m_moduleDir;
  }
  const std::string path = dir + kApplyFile;
  if (const auto rc = platform::fs::ReplaceFile(path, GetNowText()); !rc.Ok()) {
    platform::notice::Write("config: " + path + " not written (" + rc.Text() + ")");
    return 0;
  }
  return 1;
}

std::string CConfig::GetValue(const char* tag) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return GetTagValue(m_text, OpenTag(tag), CloseTag(tag));
}

void CConfig::SetValue(const char* tag, const std::string& value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  SetTagValue(m_text, value, OpenTag(tag), CloseTag(tag));
}

std::string CConfig::GetSystem() const { return GetValue(kTagSystem); }
void CConfig::SetSystem(const std::string& value) { SetValue(kTagSystem, value); }
std::string CConfig::GetSystemVersion() const { return GetValue(kTagSystemVersion); }
void CConfig::SetSystemVersion(const std::string& value) { SetValue(kTagSystemVersion, value); }
std::string CConfig::GetShowPanel() const { return GetValue(kTagShowPanel); }
void CConfig::SetShowPanel(const std::string& value) { SetValue(kTagShowPanel, value); }
std::string CConfig::GetRuleData() const { return GetValue(kTagRuleData); }
void CConfig::SetRuleData(const std::string& value) { SetValue(kTagRuleData, value); }
std::string CConfig::GetLogOn() const { return GetValue(kTagLogOn); }
void CConfig::SetLogOn(const std::string& value) { SetValue(kTagLogOn, value); }
std::string CConfig::GetLogDelDays() const { return GetValue(kTagLogDelDays); }
void CConfig::SetLogDelDays(const std::string& value) { SetValue(kTagLogDelDays, value); }

std::string CConfig::JoinRuleList(const StringList& rules) {
  std::string joined;
  for (const std::string& rule : rules) {
    joined += gbk::Replaced(rule, kRuleSeparator, "");
    joined += kRuleSeparator;
  }
  return joined;
}

int CConfig::SetDefaults() {
  SetLogDelDays("0");
  SetLogOn("1");
  SetShowPanel("1");
  return 1;
}

int CConfig::ApplyDefaults() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return ApplyDefaultsLocked();
}

int CConfig::ApplyDefaultsLocked() {
  int set = 0;
  for (const auto& [tag, value] : {std::pair{kTagLogDelDays, "0"}, {kTagLogOn, "1"}, {kTagShowPanel, "1"}}) {
    if (gbk::Contains(m_text, OpenTag(tag))) continue;
    SetTagValue(m_text, value, OpenTag(tag), CloseTag(tag));
    ++set;
  }
  return set;
}

bool CConfig::IsRecovered() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_recovered;
}

void CConfig::SetNoticeHook(NoticeHook hook) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_notice = std::move(hook);
}

uint32_t CConfig::GetKey() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_key;
}

void CConfig::SetKey(uint32_t key) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_key = key;
}

void CConfig::SetModuleDir(const std::string& dir) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_moduleDir = dir;
}

std::string CConfig::GetPath() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_path.size() >= 3) return m_path;
  return (m_moduleDir.empty() ? GetModuleDir() : m_moduleDir) + kConfigFile;
}

void CConfig::SetPath(const std::string& path) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_path = path;
}

std::string CConfig::GetText() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_text;
}

void CConfig::SetText(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_text = text;
}
