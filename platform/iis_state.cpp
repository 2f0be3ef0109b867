#include "platform/iis_state.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"

namespace platform::iis {

namespace {
thread_local uint32_t t_lastFailure = 0;

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Single-byte characters that would break a line, a field or a list; a GBK pair is
// copied whole because its trail byte may be any of them. Journal fields only need the
// line and field breaks escaped.
bool NeedsEscape(char c, bool journal) {
  if (c == '%' || c == '\n' || c == '\r' || c == '\t') return true;
  return !journal && (c == '|' || c == '=' || c == '[' || c == ']');
}

std::string Escape(const std::string& s, bool journal = false) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLead(c) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
    } else if (NeedsEscape(s[i], journal)) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out += s[i];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLead(c) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
    } else if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Positions of sep at character boundaries.
std::vector<std::string> SplitAt(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLead(c) && i + 1 < s.size()) {
      cur += s[i];
      cur += s[++i];
    } else if (s[i] == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += s[i];
    }
  }
  out.push_back(cur);
  return out;
}

std::string EncodeValue(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Text:
      return "t:" + Escape(v.text);
    case Value::Kind::Number:
      return "n:" + std::to_string(v.number);
    case Value::Kind::Bool:
      return v.number ? "b:1" : "b:0";
    case Value::Kind::List: {
      std::string out = "l:" + std::to_string(v.list.size()) + ":";
      for (size_t i = 0; i < v.list.size(); ++i) {
        if (i) out += '|';
        out += Escape(v.list[i]);
      }
      return out;
    }
    case Value::Kind::Empty:
      break;
  }
  return "e:";
}

bool DecodeValue(const std::string& s, Value& v) {
  if (s.size() < 2 || s[1] != ':') return false;
  std::string body = s.substr(2);
  switch (s[0]) {
    case 't':
      v = Value::OfText(Unescape(body));
      return true;
    case 'n': {
      char* end = nullptr;
      long long n = std::strtoll(body.c_str(), &end, 10);
      if (body.empty() || *end) return false;
      v = Value::OfNumber(n);
      return true;
    }
    case 'b':
      if (body != "0" && body != "1") return false;
      v = Value::OfBool(body == "1");
      return true;
    case 'l': {
      size_t colon = body.find(':');  // digits only before it
      if (colon == std::string::npos) return false;
      int count = std::atoi(body.substr(0, colon).c_str());
      std::vector<std::string> items;
      if (count > 0) {
        for (auto& piece : SplitAt(body.substr(colon + 1), '|')) items.push_back(Unescape(piece));
        if (static_cast<int>(items.size()) != count) return false;
      }
      v = Value::OfList(std::move(items));
      return true;
    }
    case 'e':
      v = Value();
      return true;
  }
  return false;
}

std::string ProgramName() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "?";
  std::string exe(buf, static_cast<size_t>(n));
  auto slash = exe.rfind('/');
  return slash == std::string::npos ? exe : exe.substr(slash + 1);
}

std::string TimeText() {
  LocalTime t = clock::Local();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return buf;
}

std::string JournalLines(const std::vector<detail::Change>& changes) {
  std::string out, time = TimeText(), actor = Escape(ProgramName(), true);
  for (const auto& c : changes)
    out += time + "\t" + actor + "\t" + Escape(c.op, true) + "\t" + Escape(c.path, true) + "\t" +
           Escape(c.detail, true) + "\n";
  return out;
}

std::string LockPath() { return MachinePath("iis/state.lock"); }
}  // namespace

// ---- values ----

Value Value::OfText(std::string t) {
  Value v;
  v.kind = Kind::Text;
  v.text = std::move(t);
  return v;
}
Value Value::OfNumber(long long n) {
  Value v;
  v.kind = Kind::Number;
  v.number = n;
  return v;
}
Value Value::OfBool(bool b) {
  Value v;
  v.kind = Kind::Bool;
  v.number = b ? 1 : 0;
  return v;
}
Value Value::OfList(std::vector<std::string> l) {
  Value v;
  v.kind = Kind::List;
  v.list = std::move(l);
  return v;
}

std::string Value::AsText() const {
  switch (kind) {
    case Kind::Text:
      return text;
    case Kind::Number:
      return std::to_string(number);
    case Kind::Bool:
      return number ? "True" : "False";
    default:
      return "";
  }
}

long long Value::AsNumber() const {
  if (kind == Kind::Number || kind == Kind::Bool) return number;
  if (kind == Kind::Text) return std::atoll(text.c_str());
  return 0;
}

bool Value::operator==(const Value& o) const {
  return kind == o.kind && text == o.text && number == o.number && list == o.list;
}

std::string StatePath() { return MachinePath("iis/metabase.txt"); }
std::string JournalPath() { return MachinePath("iis/journal.log"); }


int LastError() { return static_cast<int>(t_lastFailure & 0xFFFF); }

bool ReadJournal(std::vector<JournalEntry>& out) {
  out.clear();
  std::string text;
  int rc = fs::ReadFile(JournalPath(), text);
  if (rc == fs::kFileNotFound) return true;
  if (rc != fs::kOk) return false;
  for (auto& line : SplitAt(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    auto f = SplitAt(line, '\t');
    if (f.size() != 5) continue;
    out.push_back({Unescape(f[0]), Unescape(f[1]), Unescape(f[2]), Unescape(f[3]), Unescape(f[4])});
  }
  return true;
}

namespace detail {

uint32_t Fault(faults::Kind kind, const std::string& path) {
  return static_cast<uint32_t>(faults::CodeFor(kind, path));
}

void SetLastFailure(uint32_t code) { t_lastFailure = code; }

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLead(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

std::string LowerText(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLead(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) ++i;
    else out[i] = AsciiLower(out[i]);
  }
  return out;
}

std::string ParentPath(const std::string& path) {
  auto pieces = SplitAt(path, '/');
  std::string out;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) out = i ? out + "/" + pieces[i] : pieces[i];
  return out;
}

std::string LastPiece(const std::string& path) { return SplitAt(path, '/').back(); }

std::string JoinPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

std::vector<std::string> SplitNames(const std::string& list) {
  std::vector<std::string> out;
  for (auto& piece : SplitAt(list, ',')) {
    size_t b = piece.find_first_not_of(" \t"), e = piece.find_last_not_of(" \t");
    if (b == std::string::npos) continue;
    out.push_back(piece.substr(b, e - b + 1));
  }
  return out;
}

std::string ValueText(const Value& v) {
  if (v.kind != Value::Kind::List) return v.AsText();
  std::string out;
  for (size_t i = 0; i < v.list.size(); ++i) out += (i ? "|" : "") + v.list[i];
  return "[" + out + "]";
}

const Value* Node::Find(const std::string& name) const {
  for (const auto& p : props)
    if (SameText(p.first, name)) return &p.second;
  return nullptr;
}

bool Node::Set(const std::string& name, const Value& value) {
  for (auto& p : props) {
    if (SameText(p.first, name)) {
      if (p.second == value) return false;
      p.second = value;
      return true;
    }
  }
  props.emplace_back(name, value);
  return true;
}

int State::Find(const std::string& path) const {
  for (size_t i = 0; i < nodes.size(); ++i)
    if (SameText(nodes[i].path, path)) return static_cast<int>(i);
  return -1;
}

std::vector<int> State::ChildrenOf(const std::string& path) const {
  std::vector<int> out;
  for (size_t i = 0; i < nodes.size(); ++i)
    if (SameText(ParentPath(nodes[i].path), path) && !SameText(nodes[i].path, path)) out.push_back(static_cast<int>(i));
  return out;
}

Node& State::Add(const std::string& path, const std::string& cls) {
  nodes.push_back(Node{path, cls, {}});
  return nodes.back();
}

void State::Remove(const std::string& path) {
  std::string lowered = LowerText(path) + "/";
  std::vector<Node> kept;
  for (auto& n : nodes) {
    std::string p = LowerText(n.path);
    if (p + "/" == lowered || p.compare(0, lowered.size(), lowered) == 0) continue;
    kept.push_back(std::move(n));
  }
  nodes = std::move(kept);
}

State State::Fresh() {
  State s;
  s.Add("W3SVC", "IIsWebService");
  s.Add("W3SVC/Filters", "IIsFilters").Set("FilterLoadOrder", Value::OfText(""));
  s.Add("W3SVC/AppPools", "IIsApplicationPools");
  return s;
}

std::string State::Serialize() const {
  std::string out = "# IIS state of the emulated machine\n";
  for (const auto& n : nodes) {
    out += "[" + Escape(n.path) + "]\n";
    out += "@class=" + Escape(n.cls) + "\n";
    for (const auto& p : n.props) out += Escape(p.first) + "=" + EncodeValue(p.second) + "\n";
  }
  return out;
}

bool State::Parse(const std::string& text) {
  nodes.clear();
  for (auto& line : SplitAt(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.size() < 2 || line.back() != ']') return false;
      nodes.push_back(Node{Unescape(line.substr(1, line.size() - 2)), "", {}});
      continue;
    }
    if (nodes.empty()) return false;
    auto f = SplitAt(line, '=');
    if (f.size() != 2) return false;
    std::string name = Unescape(f[0]);
    if (name == "@class") {
      nodes.back().cls = Unescape(f[1]);
      continue;
    }
    Value v;
    if (!DecodeValue(f[1], v)) return false;
    nodes.back().props.emplace_back(name, v);
  }
  return true;
}

namespace {
uint32_t LoadUnlocked(State& out) {
  if (uint32_t f = Fault(faults::Kind::IisReadState, StatePath())) return f;
  std::string text;
  int rc = fs::ReadFile(StatePath(), text);
  if (rc == fs::kFileNotFound || rc == fs::kPathNotFound) {
    out = State::Fresh();
    return kOk;
  }
  if (rc != fs::kOk) return kErrAccessDenied;
  if (!out.Parse(text)) return kErrInvalidData;
  return kOk;
}

uint32_t WriteUnlocked(const State& state, const std::vector<Change>& changes, bool freshJournal) {
  if (uint32_t f = Fault(faults::Kind::IisWriteState, StatePath())) return f;
  if (fs::ReplaceFile(StatePath(), state.Serialize()) != fs::kOk) return kErrAccessDenied;
  std::string lines = JournalLines(changes);
  int rc = freshJournal ? fs::ReplaceFile(JournalPath(), lines) : fs::WriteFile(JournalPath(), lines, true);
  return rc == fs::kOk ? kOk : kErrAccessDenied;
}
}  // namespace

uint32_t Transact(const std::function<uint32_t(State&, std::vector<Change>&)>& fn) {
  // A folder that cannot be made shows as a lock that cannot be taken.
  (void)fs::MakeDirs(MachinePath("iis"));
  uint32_t rc = kErrAccessDenied;
  bool locked = fs::WithLock(LockPath(), [&] {
    State state;
    rc = LoadUnlocked(state);
    if (rc != kOk) return;
    std::vector<Change> changes;
    rc = fn(state, changes);
    if (rc == kOk && !changes.empty()) rc = WriteUnlocked(state, changes, false);
  });
  return locked ? rc : kErrAccessDenied;
}

uint32_t Load(State& out) {
  // A folder that cannot be made shows as a lock that cannot be taken.
  (void)fs::MakeDirs(MachinePath("iis"));
  uint32_t rc = kErrAccessDenied;
  bool locked = fs::WithLock(LockPath(), [&] { rc = LoadUnlocked(out); });
  return locked ? rc : kErrAccessDenied;
}

uint32_t Reset(const State& state, const std::vector<Change>& changes) {
  // A folder that cannot be made shows as a lock that cannot be taken.
  (void)fs::MakeDirs(MachinePath("iis"));
  uint32_t rc = kErrAccessDenied;
  bool locked = fs::WithLock(LockPath(), [&] { rc = WriteUnlocked(state, changes, true); });
  return locked ? rc : kErrAccessDenied;
}

}  // namespace detail
}  // namespace platform::iis
