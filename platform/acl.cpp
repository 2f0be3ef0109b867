#include "platform/acl.h"

#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/faults.h"
#include "platform/accounts.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/scm_names.h"

namespace platform::acl {

namespace {

// The model: one line per object with a list of its own,
// "<path> <protected> {<trustee> <mask> <inheritance> <deny>}", fields escaped.
struct Record {
  bool isProtected = false;
  std::vector<Entry> entries;  // explicit only
};
using Db = std::map<std::string, Record>;

using FaultKind = faults::Kind;

int Fault(FaultKind kind, const std::string& path) { return static_cast<int>(faults::CodeFor(kind, path)); }

// The object's absolute path with links resolved; empty when it does not exist.
std::string Canonical(const std::string& path) {
  if (path.empty()) return {};
  char buf[PATH_MAX];
  if (!::realpath(path.c_str(), buf)) return {};
  return buf;
}

std::string Parent(const std::string& p) {
  if (p == "/") return {};
  auto slash = p.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : p.substr(0, slash);
}

bool Parse(const std::string& text, Db& db) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f = names::SplitAt(line, ' ');
    if (f.size() < 2 || (f.size() - 2) % 4 != 0) continue;
    std::string path;
    if (!names::Unescape(f[0], path)) continue;
    Record r;
    r.isProtected = f[1] == "1";
    bool ok = true;
    for (size_t i = 2; i + 3 < f.size() && ok; i += 4) {
      Entry e;
      ok = names::Unescape(f[i], e.trustee);
      e.mask = static_cast<uint32_t>(std::strtoul(f[i + 1].c_str(), nullptr, 16));
      e.inheritance = static_cast<uint32_t>(std::strtoul(f[i + 2].c_str(), nullptr, 10));
      e.deny = f[i + 3] == "1";
      r.entries.push_back(std::move(e));
    }
    if (ok) db[path] = std::move(r);
  }
  return true;
}

std::string Serialize(const Db& db) {
  std::string out;
  char hex[16];
  for (const auto& [path, r] : db) {
    out += names::Escape(path);
    out += r.isProtected ? " 1" : " 0";
    for (const auto& e : r.entries) {
      snprintf(hex, sizeof hex, "%08X", e.mask);
      out += " " + names::Escape(e.trustee) + " " + hex + " " + std::to_string(e.inheritance) + (e.deny ? " 1" : " 0");
    }
    out += '\n';
  }
  return out;
}

int Locked(const std::function<int(Db&, bool& changed)>& fn) {
  if (fs::MakeDirs(MachinePath("acl")) != fs::kOk) return kAccessDenied;
  int rc = kAccessDenied;
  bool locked = fs::WithLock(ModelPath() + ".lock", [&] {
    std::string text;
    int r = fs::ReadFile(ModelPath(), text);
    if (r != fs::kOk && r != fs::kFileNotFound) return;
    Db db;
    Parse(text, db);
    bool changed = false;
    rc = fn(db, changed);
    if (changed && fs::ReplaceFile(ModelPath(), Serialize(db)) != fs::kOk && rc == kOk) rc = kAccessDenied;
  });
  return locked ? rc : kAccessDenied;
}

std::vector<Entry> FullList(const Db& db, const std::string& path, bool isDir);

// What an object takes from its parent folder.
std::vector<Entry> Inherited(const Db& db, const std::string& path, bool isDir) {
  std::vector<Entry> out;
  std::string parent = Parent(path);
  if (parent.empty()) return out;
  for (const auto& e : FullList(db, parent, true)) {
    uint32_t f = e.inheritance;
    uint32_t child;
    if (isDir) {
      if (f & kContainerInherit) {
        child = (f & kNoPropagate) ? 0 : (f & ~kInheritOnly);
      } else if ((f & kObjectInherit) && !(f & kNoPropagate)) {
        child = f | kInheritOnly;  // passes on to the files below, not for the folder
      } else {
        continue;
      }
    } else {
      if (!(f & kObjectInherit)) continue;
      child = 0;
    }
    out.push_back({e.trustee, e.mask, child, e.deny, true});
  }
  return out;
}

std::vector<Entry> FullList(const Db& db, const std::string& path, bool isDir) {
  std::vector<Entry> out;
  bool isProtected = false;
  if (auto it = db.find(path); it != db.end()) {
    out = it->second.entries;
    isProtected = it->second.isProtected;
  }
  if (!isProtected) {
    auto inh = Inherited(db, path, isDir);
    out.insert(out.end(), inh.begin(), inh.end());
  }
  return out;
}

// Deny before allow among the explicit entries; inherited entries last.
void Order(std::vector<Entry>& list) {
  std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
    auto rank = [](const Entry& e) { return e.inherited ? 2 : (e.deny ? 0 : 1); };
    return rank(a) < rank(b);
  });
}

}  // namespace

std::string ModelPath() { return MachinePath("acl/acl.db"); }


int Read(const std::string& path, Acl& out) {
  out = Acl{};
  if (int f = Fault(FaultKind::AclRead, path)) return f;
  std::string canon = Canonical(path);
  if (canon.empty()) return kFileNotFound;
  bool isDir = fs::IsDirectory(canon);
  return Locked([&](Db& db, bool&) -> int {
    if (auto it = db.find(canon); it != db.end()) out.isProtected = it->second.isProtected;
    out.entries = FullList(db, canon, isDir);
    return kOk;
  });
}

int Merge(const std::vector<Access>& accesses, const std::vector<Entry>* old, std::vector<Entry>& out) {
  out.clear();
  if (int f = Fault(FaultKind::AclMerge, {})) return f;
  std::vector<Entry> list;
  if (old) list = *old;
  for (const auto& a : accesses) {
    accounts::Account acc;
    if (accounts::LookupName(a.trustee, acc) != accounts::kOk) return kNoneMapped;
    auto mine = [&](const Entry& e) { return !e.inherited && names::Same(e.trustee, acc.name); };
    switch (a.mode) {
      case Mode::Grant: {
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const Entry& e) { return mine(e) && !e.deny && e.inheritance == a.inheritance; });
        if (it != list.end()) it->mask |= a.mask;
        else list.push_back({acc.name, a.mask, a.inheritance, false, false});
        break;
      }
      case Mode::Set:
        list.erase(std::remove_if(list.begin(), list.end(), mine), list.end());
        list.push_back({acc.name, a.mask, a.inheritance, false, false});
        break;
      case Mode::Deny:
        list.push_back({acc.name, a.mask, a.inheritance, true, false});
        break;
      case Mode::Revoke:
        list.erase(std::remove_if(list.begin(), list.end(), mine), list.end());
        break;
    }
  }
  Order(list);
  out = std::move(list);
  return kOk;
}

int Apply(const std::string& path, const std::vector<Entry>& entries, bool isProtected) {
  if (int f = Fault(FaultKind::AclApply, path)) return f;
  std::string canon = Canonical(path);
  if (canon.empty()) return kFileNotFound;
  Record r;
  r.isProtected = isProtected;
  for (Entry e : entries) {
    if (e.inherited) {
      if (!isProtected) continue;
      e.inherited = false;
    }
    r.entries.push_back(std::move(e));
  }
  return Locked([&](Db& db, bool& changed) -> int {
    if (!r.isProtected && r.entries.empty()) db.erase(canon);
    else db[canon] = r;
    changed = true;
    return kOk;
  });
}

int Clear(const std::string& path) {
  std::string canon = Canonical(path);
  if (canon.empty()) return kFileNotFound;
  return Locked([&](Db& db, bool& changed) -> int {
    changed = db.erase(canon) > 0;
    return kOk;
  });
}

}  // namespace platform::acl
