#pragma once
// IIS of the emulated machine: one state under <machine root>/iis/, reached through an
// object model in the manner of the IIS administration provider
// ("IIS://LocalHost/W3SVC/Filters": properties, commit, children, create, Recycle) and
// through the filter-list view that the appcmd stand-in edits. Both see the same state,
// so a filter registered by one shows in the other. Every change is journalled.
//
// Paths, class names and property names are case-blind. machine.ini decides whether IIS
// exists (iis_generation 6 or 7, 0 for none) and whether the provider answers (adsi).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::iis {

// The module's one result: every operation below that can fail answers a uint32_t that
// is one of these codes, in the form the administration interfaces return them (0 when
// done), and the answer must be looked at ([[nodiscard]]); one that is dropped on
// purpose is cast to void with the reason beside it. The appcmd stand-in's exit codes
// (kAppcmd*, below) are its own.
enum : uint32_t {
  kOk = 0,
  kErrPathNotFound = 0x80070003u,      // no object at that path
  kErrAccessDenied = 0x80070005u,      // the state cannot be read or written
  kErrInvalidData = 0x8007000Du,       // the state file is damaged
  kErrAlreadyExists = 0x800700B7u,     // create of an existing object
  kErrServiceNotActive = 0x80070426u,  // recycle of a pool that is not running
  kErrNoProvider = 0x800401E4u,        // the provider does not answer (no IIS, or switched off)
  kErrUnknownMethod = 0x80020006u,
  kErrBadPathname = 0x80005000u,
  kErrUnknownObject = 0x80005004u,     // an object of another class
  kErrNotBound = 0x80005009u,          // created but not yet committed
  kErrPropertyNotFound = 0x8000500Du,
  kErrSchemaViolation = 0x8000500Fu,   // a class that cannot live there
};

// A property value: a text, a number, a flag or a list of texts.
struct Value {
  enum class Kind { Empty, Text, Number, Bool, List };
  Kind kind = Kind::Empty;
  std::string text;
  long long number = 0;
  std::vector<std::string> list;

  static Value OfText(std::string t);
  static Value OfNumber(long long n);
  static Value OfBool(bool b);
  static Value OfList(std::vector<std::string> l);

  // A text as is, a number in decimal, a flag as "True"/"False"; a list gives "".
  std::string AsText() const;
  // A number or a flag (1/0); a text of leading digits; otherwise 0.
  long long AsNumber() const;
  bool operator==(const Value& o) const;
};

class Object {
 public:
  // Opens "IIS://LocalHost/<path>" (the server may be localhost or the computer name).
  [[nodiscard]] static uint32_t Open(const std::string& adsPath, Object& out);

  const std::string& Name() const { return m_name; }
  const std::string& Class() const { return m_class; }
  // "IIS://LocalHost/W3SVC/1/Root", in the stored case.
  std::string AdsPath() const;
  bool IsBound() const { return !m_path.empty(); }

  // A value put but not committed comes first; inheritable properties (AppPoolId,
  // AnonymousUserName, ...) are looked up in the ancestors when the object has none.
  [[nodiscard]] uint32_t Get(const std::string& property, Value& out) const;
  // Held in the object until SetInfo.
  void Put(const std::string& property, const Value& value);
  // Commits what was put (and creates the object when it came from Create).
  [[nodiscard]] uint32_t SetInfo();

  // The objects directly below, in stored order.
  [[nodiscard]] uint32_t Children(std::vector<Object>& out) const;
  // A child by class and relative name ("IIsWebVirtualDir", "Root").
  [[nodiscard]] uint32_t GetObject(const std::string& className, const std::string& name, Object& out) const;
  // A new child, made real by its SetInfo.
  [[nodiscard]] uint32_t Create(const std::string& className, const std::string& name, Object& out) const;
  // "Recycle" on an application pool that is starting or started.
  [[nodiscard]] uint32_t Invoke(const std::string& method);

 private:
  std::string m_path;  // "W3SVC/Filters", stored case
  std::string m_name;
  std::string m_class;
  bool m_pendingCreate = false;
  std::vector<std::pair<std::string, Value>> m_pending;
};

// Whether the provider answers on this machine (IIS present and adsi switched on).
bool ProviderAnswers();
// Whether the IIS 7 configuration system (and so appcmd) is there.
bool HasConfigSystem();
// The low word of the last failure code of this thread, as the system's last error.
int LastError();
// A short description of a failure code (GBK), for logs.
std::string ErrorText(uint32_t code);

// The ISAPI filter list as appcmd sees it: the names of W3SVC/Filters' FilterLoadOrder,
// in order, with their filter objects' attributes.
struct FilterEntry {
  std::string name;
  std::string path;
  std::string preCondition;
  bool enabled = true;
};
[[nodiscard]] uint32_t ListFilters(std::vector<FilterEntry>& out);
// Appends a filter (object and load-order name); kErrAlreadyExists when the name is
// listed (case-blind).
[[nodiscard]] uint32_t AddFilter(const FilterEntry& entry);
// Removes every load-order name equal to it (case-blind) and its object;
// kErrPathNotFound when it is not listed.
[[nodiscard]] uint32_t RemoveFilter(const std::string& name);

// Exit codes of the appcmd stand-in (inetsrv/appcmd under the system folder).
enum : int {
  kAppcmdOk = 0,
  kAppcmdNotListed = 2,     // removal of a name that is not in the list
  kAppcmdStateError = 13,   // the state could not be read or written
  kAppcmdNoConfig = 50,     // no IIS 7 configuration system on this machine
  kAppcmdBadSyntax = 87,
  kAppcmdDuplicate = 183,   // the name is listed already
};

// Replaces the state with a fresh IIS of generation 6 or 7 with sample sites and pools,
// and lays out the folders the machine profile implies (inetsrv, and for a 64-bit
// machine "Program Files (x86)" and SysWOW64). The journal starts again.
[[nodiscard]] uint32_t Seed(int generation);

// Where the state lives.
std::string StatePath();
std::string JournalPath();

struct JournalEntry {
  std::string time;    // "2026-12-09 10:00:00"
  std::string actor;   // program that made the change
  std::string op;      // "seed", "create", "put", "delete", "recycle"
  std::string path;    // "W3SVC/Filters"
  std::string detail;  // class for create, "Name=value" for put
};
[[nodiscard]] bool ReadJournal(std::vector<JournalEntry>& out);

// Every operation of the object model and every read and write of the state asks the
// fault table (platform/faults.h, kinds IisOpen .. IisWriteState) first; a code it gives
// is the operation's answer.

}  // namespace platform::iis
