#include "platform/registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/gbk.h"
#include "platform/paths.h"
#include "platform/scm_names.h"

namespace platform::registry {

namespace {

// The hive file: a header line, then one "K <path>" line per key followed by its
// "V <type> <name> <data>" lines; every field escaped (scm_names.h).
constexpr const char* kHeader = "QORHIVE 1";

struct Node {
  std::string name;
  std::vector<Value> values;
  std::vector<std::unique_ptr<Node>> subkeys;

  Node* Child(const std::string& n) {
    for (auto& k : subkeys)
      if (names::Same(k->name, n)) return k.get();
    return nullptr;
  }
  Value* Find(const std::string& n) {
    for (auto& v : values)
      if (names::Same(v.name, n)) return &v;
    return nullptr;
  }
};

using FaultKind = faults::Kind;

int Fault(FaultKind kind) { return static_cast<int>(faults::CodeFor(kind, HivePath())); }

Node* Walk(Node& root, const std::vector<std::string>& parts, bool create, std::string* stored = nullptr,
           bool* created = nullptr) {
  Node* n = &root;
  if (stored) stored->clear();
  for (const auto& p : parts) {
    Node* c = n->Child(p);
    if (!c) {
      if (!create) return nullptr;
      n->subkeys.push_back(std::make_unique<Node>());
      c = n->subkeys.back().get();
      c->name = p;
      if (created) *created = true;
    }
    if (stored) {
      if (!stored->empty()) *stored += '\\';
      *stored += c->name;
    }
    n = c;
  }
  return n;
}

void AddDefaults(Node& root) {
  Walk(root, names::SplitAt("Software\\Microsoft\\Windows\\CurrentVersion\\Run", '\\'), true);
  Walk(root, names::SplitAt("SYSTEM\\CurrentControlSet\\Services", '\\'), true);
}

void Serialize(const Node& n, const std::string& path, std::string& out) {
  out += "K ";
  out += names::Escape(path);
  out += '\n';
  for (const auto& v : n.values) {
    out += "V " + std::to_string(static_cast<uint32_t>(v.type)) + " ";
    out += v.name.empty() ? "%" : names::Escape(v.name);  // a lone '%' is the default value
    out += ' ';
    out += names::Escape(v.data);
    out += '\n';
  }
  for (const auto& k : n.subkeys) Serialize(*k, path.empty() ? k->name : path + "\\" + k->name, out);
}

bool Parse(const std::string& text, Node& root) {
  bool header = false;
  Node* cur = nullptr;
  for (const std::string& line : gbk::SplitLines(text)) {
    if (!header) {
      if (line != kHeader) return false;
      header = true;
      continue;
    }
    if (line.size() >= 2 && line[0] == 'K' && line[1] == ' ') {
      std::string path;
      if (!names::Unescape(line.substr(2), path)) {
        cur = nullptr;
        continue;
      }
      cur = Walk(root, names::SplitAt(path, '\\'), true);
    } else if (line.size() >= 2 && line[0] == 'V' && line[1] == ' ' && cur) {
      size_t a = line.find(' ', 2);
      if (a == std::string::npos) continue;
      size_t b = line.find(' ', a + 1);
      if (b == std::string::npos) continue;
      Value v;
      uint32_t type = static_cast<uint32_t>(std::strtoul(line.substr(2, a - 2).c_str(), nullptr, 10));
      if (type < 1 || type > 4) continue;
      v.type = static_cast<ValueType>(type);
      std::string rawName = line.substr(a + 1, b - a - 1);
      if (rawName != "%" && !names::Unescape(rawName, v.name)) continue;
      if (!names::Unescape(line.substr(b + 1), v.data)) continue;
      if (Value* old = cur->Find(v.name)) *old = std::move(v);
      else cur->values.push_back(std::move(v));
    }
  }
  return header;
}

std::string LockPath() { return HivePath() + ".lock"; }

int Load(Node& root) {
  if (int f = Fault(FaultKind::RegistryRead)) return f;
  std::string text;
  int rc = fs::ReadFile(HivePath(), text);
  if (rc == fs::kFileNotFound || rc == fs::kPathNotFound) {
    AddDefaults(root);
    return kOk;
  }
  if (rc != fs::kOk) return kAccessDenied;
  // A damaged hive still opens with the keys every machine has.
  Parse(text, root);
  AddDefaults(root);
  return kOk;
}

int Save(const Node& root) {
  if (int f = Fault(FaultKind::RegistryWrite)) return f;
  std::string out = std::string(kHeader) + "\n";
  Serialize(root, "", out);
  return fs::ReplaceFile(HivePath(), out) == fs::kOk ? kOk : kAccessDenied;
}

// Whether this account may take the hive's lock: open it, or make it where it is
// missing. An account that may not (the lock is root's, 0600) could never hold it to
// stall root either; it reads without it instead.
bool MayTakeLock(const std::string& dir) {
  if (::faccessat(AT_FDCWD, LockPath().c_str(), R_OK | W_OK, AT_EACCESS) == 0) return true;
  if (errno != ENOENT) return errno != EACCES;  // anything else the lock itself reports
  return ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Runs fn on the hive under the lock; a true `changed` saves it afterwards. An account
// that may not take the lock may still read: every change replaces the hive in one
// rename, so a read without the lock sees it whole; a change it asks for is refused.
int Locked(const std::function<int(Node& root, bool& changed)>& fn) {
  std::string dir = MachinePath("registry");
  if (!fs::IsDirectory(dir)) {
    // Reading a machine that has no hive yet makes nothing on disk.
    if (int f = Fault(FaultKind::RegistryRead)) return f;
    Node root;
    AddDefaults(root);
    bool changed = false;
    int rc = fn(root, changed);
    if (!changed) return rc;
    if (fs::MakeDirs(dir) != fs::kOk) return kAccessDenied;
  }
  if (!MayTakeLock(dir)) {
    Node root;
    if (int rc = Load(root); rc != kOk) return rc;
    bool changed = false;
    const int rc = fn(root, changed);
    return changed ? kAccessDenied : rc;
  }
  int rc = kAccessDenied;
  bool locked = fs::WithLock(LockPath(), [&] {
    Node root;
    rc = Load(root);
    if (rc != kOk) return;
    bool changed = false;
    rc = fn(root, changed);
    if (changed) {
      int s = Save(root);
      if (rc == kOk) rc = s;
    }
  });
  return locked ? rc : kAccessDenied;
}

std::string Uint32Bytes(uint32_t v) {
  std::string b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return b;
}

}  // namespace

std::string HivePath() { return MachinePath("registry/HKLM.hive"); }


int OpenKey(const std::string& path, Key& out) {
  out.Close();
  std::string stored;
  int rc = Locked([&](Node& root, bool&) -> int {
    return Walk(root, names::SplitAt(path, '\\'), false, &stored) ? kOk : kFileNotFound;
  });
  if (rc == kOk) {
    out.m_open = true;
    out.m_path = stored;
  }
  return rc;
}

int CreateKey(const std::string& path, Key& out, bool* created) {
  out.Close();
  if (created) *created = false;
  auto parts = names::SplitAt(path, '\\');
  if (parts.empty()) return kInvalidParameter;
  std::string stored;
  bool made = false;
  int rc = Locked([&](Node& root, bool& changed) -> int {
    Walk(root, parts, true, &stored, &made);
    changed = made;
    return kOk;
  });
  if (rc == kOk) {
    out.m_open = true;
    out.m_path = stored;
    if (created) *created = made;
  }
  return rc;
}

bool KeyExists(const std::string& path) {
  Key k;
  return OpenKey(path, k) == kOk;
}

namespace {
int RemoveKey(const std::string& path, bool tree) {
  auto parts = names::SplitAt(path, '\\');
  if (parts.empty()) return kInvalidParameter;
  return Locked([&](Node& root, bool& changed) -> int {
    std::vector<std::string> parentParts(parts.begin(), parts.end() - 1);
    Node* parent = Walk(root, parentParts, false);
    if (!parent) return kFileNotFound;
    for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
      if (!names::Same((*it)->name, parts.back())) continue;
      if (!tree && !(*it)->subkeys.empty()) return kAccessDenied;
      parent->subkeys.erase(it);
      changed = true;
      return kOk;
    }
    return kFileNotFound;
  });
}
}  // namespace

int DeleteKey(const std::string& path) { return RemoveKey(path, false); }
int DeleteTree(const std::string& path) { return RemoveKey(path, true); }

namespace {
// Runs fn on the node of an open key.
int OnKey(const Key& key, bool write, const std::function<int(Node&)>& fn) {
  if (!key.IsOpen()) return kInvalidHandle;
  return Locked([&](Node& root, bool& changed) -> int {
    Node* n = Walk(root, names::SplitAt(key.Path(), '\\'), false);
    if (!n) return kKeyDeleted;
    int rc = fn(*n);
    changed = write && rc == kOk;
    return rc;
  });
}
}  // namespace

int Key::QueryValue(const std::string& name, Value& out) const {
  return OnKey(*this, false, [&](Node& n) -> int {
    Value* v = n.Find(name);
    if (!v) return kFileNotFound;
    out = *v;
    return kOk;
  });
}

int Key::QueryString(const std::string& name, std::string& out) const {
  Value v;
  int rc = QueryValue(name, v);
  if (rc != kOk) return rc;
  if (v.type != ValueType::String && v.type != ValueType::ExpandString) return kInvalidData;
  out = v.data;
  // A value written with its terminating zero reads without it.
  while (!out.empty() && out.back() == '\0') out.pop_back();
  return kOk;
}

int Key::QueryDword(const std::string& name, uint32_t& out) const {
  Value v;
  int rc = QueryValue(name, v);
  if (rc != kOk) return rc;
  if (v.type != ValueType::Dword || v.data.size() != 4) return kInvalidData;
  out = 0;
  for (int i = 3; i >= 0; --i) out = (out << 8) | static_cast<unsigned char>(v.data[i]);
  return kOk;
}

int Key::SetValue(const Value& value) const {
  return OnKey(*this, true, [&](Node& n) -> int {
    if (Value* v = n.Find(value.name)) {
      v->type = value.type;
      v->data = value.data;
    } else {
      n.values.push_back(value);
    }
    return kOk;
  });
}

int Key::SetString(const std::string& name, const std::string& value, bool expand) const {
  return SetValue(Value{name, expand ? ValueType::ExpandString : ValueType::String, value});
}

int Key::SetDword(const std::string& name, uint32_t value) const {
  return SetValue(Value{name, ValueType::Dword, Uint32Bytes(value)});
}

int Key::SetBinary(const std::string& name, const std::string& bytes) const {
  return SetValue(Value{name, ValueType::Binary, bytes});
}

int Key::DeleteValue(const std::string& name) const {
  return OnKey(*this, true, [&](Node& n) -> int {
    for (auto it = n.values.begin(); it != n.values.end(); ++it) {
      if (names::Same(it->name, name)) {
        n.values.erase(it);
        return kOk;
      }
    }
    return kFileNotFound;
  });
}

int Key::ListValues(std::vector<Value>& out) const {
  out.clear();
  return OnKey(*this, false, [&](Node& n) -> int {
    out = n.values;
    return kOk;
  });
}

int Key::ListSubKeys(std::vector<std::string>& out) const {
  out.clear();
  return OnKey(*this, false, [&](Node& n) -> int {
    for (const auto& k : n.subkeys) out.push_back(k->name);
    return kOk;
  });
}

}  // namespace platform::registry
