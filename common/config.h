#pragma once
// The configuration store: one tagged text, kept in iis/config.db in coded form under
// the machine-bound key. The panel reads and writes it; the service only reads it.
// Getters return copies and every operation takes the store's lock, so threads may
// reload and read at the same time.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "common/build.h"

// Tags of the store, in the order a new store receives them.
inline constexpr const char* kTagSystem = "KeySystem";
inline constexpr const char* kTagSystemVersion = "KeySystemVersion";
inline constexpr const char* kTagShowPanel = "KeyShowPanel";
inline constexpr const char* kTagRuleData = "KeyRuleData";
inline constexpr const char* kTagLogOn = "KeyLogOn";
inline constexpr const char* kTagLogDelDays = "KeyLogDelDays";

// Ends the store's text; a text may hold more of them between pairs.
inline constexpr const char* kConfigEndMarker = "<0>";
// Separator after every rule of <KeyRuleData>.
inline constexpr const char* kRuleSeparator = "|||||";
// Beside the store: the last store that did not decode, kept as it was.
inline constexpr const char* kConfigBadSuffix = ".bad";
// What a store that does not decode tells, in the panel and in the service log.
inline constexpr const char* kConfigUndecodablePanelText =
    "配置文件无法读取，已备份为 config.db.bad，将使用默认设置。";
inline constexpr const char* kConfigUndecodableServiceText = "配置文件无法读取，按空配置运行。";

class CConfig {
 public:
  // The service build never creates the file and reads it without retry or message.
  explicit CConfig(Build build = Build::Panel);
  virtual ~CConfig();
  CConfig(const CConfig&) = delete;
  CConfig& operator=(const CConfig&) = delete;

  // 1 read (panel: or created empty when missing), 0 not read. A file that cannot be
  // read is not a load: the panel then holds "<0>", the service keeps what it had.
  // A file that reads but decodes to something neither empty nor tagged (another
  // machine's key, damage) is an empty store: the service's getters read empty; the
  // panel first keeps the bytes beside the file (config.db.bad; when that fails it is
  // not a load) and starts from the defaults. Either tells it once per content.
  int Load();
  // 1 saved, 0 refused: a text shorter than 10 characters, no successful Load yet, a
  // failed write (the old file stays and no stamp is written), or a stamp that could
  // not be written (the file goes back to what this store last loaded or saved, since
  // the service would never reload the new one). All or nothing: after 0 the file is
  // what it was. Only when it cannot be put back either does the new store stay,
  // unstamped, and the answer is 1 (logged).
  [[nodiscard]] int Save();
  // iis/apply.db := the now text; 1 written, 0 not (logged).
  [[nodiscard]] int WriteApplyStamp();

  std::string GetSystem() const;
  void SetSystem(const std::string& value);
  std::string GetSystemVersion() const;
  void SetSystemVersion(const std::string& value);
  std::string GetShowPanel() const;
  void SetShowPanel(const std::string& value);
  std::string GetRuleData() const;
  void SetRuleData(const std::string& value);
  std::string GetLogOn() const;
  void SetLogOn(const std::string& value);
  std::string GetLogDelDays() const;
  void SetLogDelDays(const std::string& value);

  // Every "|||||" inside an entry removed, each entry followed by "|||||".
  static std::string JoinRuleList(const StringList& rules);
  // Log days "0", logging on, tray icon shown (memory only). Returns 1.
  int SetDefaults();
  // The defaults of SetDefaults for the keys the text lacks; a value already there,
  // even an empty one, stays. Returns how many were set (memory only).
  int ApplyDefaults();
  // The last Load met a store that did not decode: the file still holds those bytes
  // until the next Save.
  bool IsRecovered() const;

  // Where an undecodable store is told. Unset, the panel shows a message box and the
  // service says nothing; the service sets its log here.
  using NoticeHook = std::function<void(const std::string& text)>;
  void SetNoticeHook(NoticeHook hook);

  // The key of the file; derived from the machine key text on the first Load when 0.
  uint32_t GetKey() const;
  void SetKey(uint32_t key);
  // Program folder (trailing '/'); GetModuleDir() until set.
  void SetModuleDir(const std::string& dir);
  // Path of the store; program folder + "iis/config.db" until set.
  std::string GetPath() const;
  void SetPath(const std::string& path);
  // The whole plain text.
  std::string GetText() const;
  void SetText(const std::string& text);

  // Rule editing state of the rule list page and the rule editor (window thread only).
  StringList m_listRules;
  std::string m_strEditRule;
  std::string m_strEditName;
  int m_nEditIndex = -1;

 private:
  std::string GetValue(const char* tag) const;
  void SetValue(const char* tag, const std::string& value);
  // Fills the paths when still unset; the caller holds m_mutex.
  void PrepareLocked();
  // The key, derived from the machine key text when still 0.
  uint32_t EnsureKey();
  // ApplyDefaults; the caller holds m_mutex.
  int ApplyDefaultsLocked();
  // Load's road for bytes that read but do not decode.
  int LoadUndecodable(const std::string& coded, const std::string& path);

  const Build m_build;
  mutable std::mutex m_mutex;  // text, key, paths, loaded flag
  std::mutex m_saveMutex;      // one save at a time
  std::string m_text;
  uint32_t m_key = 0;
  std::string m_path;
  std::string m_moduleDir;
  bool m_loaded = false;
  bool m_recovered = false;
  std::string m_undecodable;  // the bytes last told about; empty after a good load
  std::string m_stored;       // the file's bytes as this store last loaded or saved them
  NoticeHook m_notice;
};
