#include "platform/wmi.h"

#include "platform/accounts.h"
#include "platform/machine.h"
#include "platform/textconv.h"

namespace platform::wmi {

namespace {

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Same(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLead(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (Lower(a[i]) != Lower(b[i])) {
      return false;
    }
  }
  return true;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && Same(s.substr(0, prefix.size()), prefix);
}

// Words, quoted strings (quotes kept as the first byte), and the single marks * , =.
bool Tokenize(const std::string& q, std::vector<std::string>& out) {
  size_t i = 0, n = q.size();
  while (i < n) {
    char c = q[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '*' || c == ',' || c == '=') {
      out.emplace_back(1, c);
      ++i;
    } else if (c == '\'' || c == '"') {
      std::string tok(1, '\'');
      size_t j = i + 1;
      while (j < n && q[j] != c) {
        if (IsLead(static_cast<unsigned char>(q[j])) && j + 1 < n) tok += q[j++];
        tok += q[j++];
      }
      if (j >= n) return false;
      out.push_back(tok);
      i = j + 1;
    } else {
      std::string tok;
      while (i < n && q[i] != ' ' && q[i] != '\t' && q[i] != '*' && q[i] != ',' && q[i] != '=' && q[i] != '\'' &&
             q[i] != '"') {
        if (IsLead(static_cast<unsigned char>(q[i])) && i + 1 < n) tok += q[i++];
        tok += q[i++];
      }
      out.push_back(tok);
    }
  }
  return true;
}

bool GroupRow(const std::string& name, Row& row) {
  accounts::Account a;
  if (accounts::LookupName(name, a) != accounts::kOk || a.kind == accounts::Kind::User) return false;
  row.properties = {{"Name", a.name},
                    {"SID", a.sid},
                    {"Domain", a.domain},
                    {"Caption", a.domain + "\\" + a.name},
                    {"LocalAccount", "TRUE"}};
  return true;
}

uint32_t FromAccounts(int rc) { return rc == accounts::kAccessDenied ? kErrAccessDenied : kErrUnavailable; }

}  // namespace

std::string Row::Get(const std::string& name) const {
  for (const auto& p : properties)
    if (Same(p.first, name)) return p.second;
  return "";
}

uint32_t Service::Connect(const std::string& moniker, Service& out) {
  out = Service();
  if (!StartsWithNoCase(moniker, "winmgmts:")) return kErrBadMoniker;
  std::string rest = moniker.substr(9);
  // An optional security part "{impersonationLevel=impersonate}!".
  if (!rest.empty() && rest[0] == '{') {
    size_t bang = rest.find("}!");
    if (bang == std::string::npos) return kErrBadMoniker;
    rest = rest.substr(bang + 2);
  }
  std::string server = ".", ns = rest;
  if (StartsWithNoCase(rest, "\\\\")) {
    size_t slash = rest.find('\\', 2);
    server = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
    ns = slash == std::string::npos ? "" : rest.substr(slash + 1);
  }
  MachineProfile profile = LoadMachineProfile();
  std::string computer = Utf8ToGbk(profile.computerName);
  if (!(server == "." || Same(server, "localhost") || (!computer.empty() && Same(server, computer))))
    return kErrUnavailable;
  if (!profile.wmiAnswers) return kErrUnavailable;
  if (!ns.empty() && !Same(ns, "root\\CIMV2") && !Same(ns, "root/CIMV2")) return kErrInvalidNamespace;
  out.m_connected = true;
  return kOk;
}

uint32_t Service::ExecQuery(const std::string& wql, int /*flags*/, std::vector<Row>& out) const {
  out.clear();
  if (!m_connected) return kErrUnavailable;
  std::vector<std::string> t;
  if (!Tokenize(wql, t) || t.size() < 4 || !Same(t[0], "SELECT")) return kErrInvalidQuery;
  size_t i = 1;
  std::vector<std::string> fields;
  bool all = false;
  for (;; ++i) {
    if (i >= t.size()) return kErrInvalidQuery;
    if (t[i] == "*") all = true;
    else if (t[i] == "," || t[i][0] == '\'' || t[i] == "=") return kErrInvalidQuery;
    else fields.push_back(t[i]);
    if (i + 1 < t.size() && t[i + 1] == ",") {
      ++i;
      continue;
    }
    ++i;
    break;
  }
  if (all && !fields.empty()) return kErrInvalidQuery;
  if (i + 1 >= t.size() || !Same(t[i], "FROM")) return kErrInvalidQuery;
  if (!Same(t[i + 1], "Win32_Group")) return kErrInvalidClass;
  i += 2;
  std::string whereKey, whereValue;
  if (i < t.size()) {
    if (t.size() != i + 4 || !Same(t[i], "WHERE") || t[i + 2] != "=" || t[i + 3][0] != '\'') return kErrInvalidQuery;
    whereKey = t[i + 1];
    whereValue = t[i + 3].substr(1);
    if (!Same(whereKey, "SID") && !Same(whereKey, "Name")) return kErrInvalidQuery;
  }

  std::vector<std::string> names;
  if (Same(whereKey, "SID")) {
    if (int rc = accounts::QueryGroupsBySid(whereValue, names)) return FromAccounts(rc);
  } else if (!LoadMachineProfile().wmiAnswers) {
    return kErrUnavailable;
  } else if (Same(whereKey, "Name")) {
    names.push_back(whereValue);
  } else if (int rc = accounts::ListGroups(names)) {
    return FromAccounts(rc);
  }
  for (const auto& name : names) {
    Row row;
    if (!GroupRow(name, row)) continue;
    if (!all) {
      Row picked;
      for (const auto& f : fields) {
        bool found = false;
        for (const auto& p : row.properties) {
          if (Same(p.first, f)) {
            picked.properties.push_back(p);
            found = true;
          }
        }
        if (!found) return kErrInvalidQuery;
      }
      row = std::move(picked);
    }
    out.push_back(std::move(row));
  }
  return kOk;
}

}  // namespace platform::wmi
