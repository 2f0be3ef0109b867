// The object model over the IIS state, in the manner of the administration provider.
#include <cstring>

#include "platform/iis.h"
#include "platform/iis_state.h"
#include "platform/machine.h"
#include "platform/textconv.h"

namespace platform::iis {

using detail::Change;
using detail::LastPiece;
using detail::ParentPath;
using detail::SameText;
using detail::State;

namespace {

uint32_t Failed(uint32_t code) {
  if (code != kOk) detail::SetLastFailure(code);
  return code;
}

// Properties that an object takes from its ancestors when it has none of its own.
bool IsInheritable(const std::string& property) {
  static const char* const kNames[] = {"AppPoolId",   "AnonymousUserName", "AnonymousUserPass", "AuthFlags",
                                       "AccessFlags", "DefaultDoc",        "DirBrowseFlags"};
  for (const char* n : kNames)
    if (SameText(property, n)) return true;
  return false;
}

// Which classes may be created below which; the child's class in its stored spelling.
const char* ChildClass(const std::string& parentClass, const std::string& childClass) {
  struct Rule {
    const char* parent;
    const char* child;
  };
  static const Rule kRules[] = {
      {"IIsWebService", "IIsWebServer"},       {"IIsWebService", "IIsFilters"},
      {"IIsWebService", "IIsApplicationPools"}, {"IIsFilters", "IIsFilter"},
      {"IIsWebServer", "IIsWebVirtualDir"},    {"IIsWebServer", "IIsFilters"},
      {"IIsWebVirtualDir", "IIsWebVirtualDir"}, {"IIsWebVirtualDir", "IIsWebDirectory"},
      {"IIsWebDirectory", "IIsWebDirectory"},   {"IIsApplicationPools", "IIsApplicationPool"},
  };
  for (const auto& r : kRules)
    if (SameText(parentClass, r.parent) && SameText(childClass, r.child)) return r.child;
  return nullptr;
}

bool IsLocalServer(const std::string& server) {
  if (SameText(server, "localhost") || server == "127.0.0.1") return true;
  std::string computer = Utf8ToGbk(LoadMachineProfile().computerName);
  return !computer.empty() && SameText(server, computer);
}

}  // namespace

bool ProviderAnswers() {
  MachineProfile p = LoadMachineProfile();
  return p.iisGeneration >= 5 && p.adsiAnswers;
}

bool HasConfigSystem() { return LoadMachineProfile().iisGeneration >= 7; }

uint32_t Object::Open(const std::string& adsPath, Object& out) {
  out = Object();
  if (uint32_t f = detail::Fault(faults::Kind::IisOpen, adsPath)) return Failed(f);
  if (!ProviderAnswers()) return Failed(kErrNoProvider);
  static const char kScheme[] = "IIS://";
  const size_t schemeLen = std::strlen(kScheme);
  if (adsPath.size() <= schemeLen || !SameText(adsPath.substr(0, schemeLen), kScheme))
    return Failed(kErrBadPathname);
  std::string rest = adsPath.substr(schemeLen);
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  size_t slash = rest.find('/');  // the server name is ASCII
  std::string server = rest.substr(0, slash);
  if (!IsLocalServer(server)) return Failed(kErrBadPathname);
  if (slash == std::string::npos || slash + 1 >= rest.size()) return Failed(kErrBadPathname);
  std::string path = rest.substr(slash + 1);

  State state;
  if (uint32_t rc = detail::Load(state)) return Failed(rc);
  int i = state.Find(path);
  if (i < 0) return Failed(kErrPathNotFound);
  out.m_path = state.nodes[i].path;
  out.m_name = LastPiece(out.m_path);
  out.m_class = state.nodes[i].cls;
  return kOk;
}

std::string Object::AdsPath() const { return "IIS://LocalHost/" + m_path; }

uint32_t Object::Get(const std::string& property, Value& out) const {
  out = Value();
  if (uint32_t f = detail::Fault(faults::Kind::IisGet, m_path + "/" + property)) return Failed(f);
  for (const auto& p : m_pending) {
    if (SameText(p.first, property)) {
      out = p.second;
      return kOk;
    }
  }
  if (!IsBound() || m_pendingCreate) return Failed(kErrPropertyNotFound);
  State state;
  if (uint32_t rc = detail::Load(state)) return Failed(rc);
  int i = state.Find(m_path);
  if (i < 0) return Failed(kErrPathNotFound);
  if (const Value* v = state.nodes[i].Find(property)) {
    out = *v;
    return kOk;
  }
  if (IsInheritable(property)) {
    for (std::string up = ParentPath(m_path); !up.empty(); up = ParentPath(up)) {
      int j = state.Find(up);
      if (j < 0) break;
      if (const Value* v = state.nodes[j].Find(property)) {
        out = *v;
        return kOk;
      }
    }
  }
  return Failed(kErrPropertyNotFound);
}

void Object::Put(const std::string& property, const Value& value) {
  for (auto& p : m_pending) {
    if (SameText(p.first, property)) {
      p.second = value;
      return;
    }
  }
  m_pending.emplace_back(property, value);
}

uint32_t Object::SetInfo() {
  if (uint32_t f = detail::Fault(faults::Kind::IisSetInfo, m_path)) return Failed(f);
  if (!IsBound()) return Failed(kErrNotBound);
  uint32_t rc = detail::Transact([&](State& state, std::vector<Change>& changes) -> uint32_t {
    int i = state.Find(m_path);
    if (m_pendingCreate) {
      if (i >= 0) return kErrAlreadyExists;
      if (state.Find(ParentPath(m_path)) < 0) return kErrPathNotFound;
      state.Add(m_path, m_class);
      changes.push_back({"create", m_path, m_class});
      i = static_cast<int>(state.nodes.size()) - 1;
    } else if (i < 0) {
      return kErrPathNotFound;
    }
    for (const auto& p : m_pending)
      if (state.nodes[i].Set(p.first, p.second))
        changes.push_back({"put", m_path, p.first + "=" + detail::ValueText(p.second)});
    return kOk;
  });
  if (rc != kOk) return Failed(rc);
  m_pending.clear();
  m_pendingCreate = false;
  return kOk;
}

uint32_t Object::Children(std::vector<Object>& out) const {
  out.clear();
  if (uint32_t f = detail::Fault(faults::Kind::IisChildren, m_path)) return Failed(f);
  if (!IsBound()) return Failed(kErrNotBound);
  if (m_pendingCreate) return kOk;
  State state;
  if (uint32_t rc = detail::Load(state)) return Failed(rc);
  if (state.Find(m_path) < 0) return Failed(kErrPathNotFound);
  for (int i : state.ChildrenOf(m_path)) {
    Object child;
    child.m_path = state.nodes[i].path;
    child.m_name = LastPiece(child.m_path);
    child.m_class = state.nodes[i].cls;
    out.push_back(std::move(child));
  }
  return kOk;
}

uint32_t Object::GetObject(const std::string& className, const std::string& name, Object& out) const {
  out = Object();
  std::string path = detail::JoinPath(m_path, name);
  if (uint32_t f = detail::Fault(faults::Kind::IisGetObject, path)) return Failed(f);
  if (!IsBound()) return Failed(kErrNotBound);
  if (name.empty()) return Failed(kErrBadPathname);
  State state;
  if (uint32_t rc = detail::Load(state)) return Failed(rc);
  int i = state.Find(path);
  if (i < 0) return Failed(kErrPathNotFound);
  if (!className.empty() && !SameText(className, state.nodes[i].cls)) return Failed(kErrUnknownObject);
  out.m_path = state.nodes[i].path;
  out.m_name = LastPiece(out.m_path);
  out.m_class = state.nodes[i].cls;
  return kOk;
}

uint32_t Object::Create(const std::string& className, const std::string& name, Object& out) const {
  out = Object();
  std::string path = detail::JoinPath(m_path, name);
  if (uint32_t f = detail::Fault(faults::Kind::IisCreate, path)) return Failed(f);
  if (!IsBound()) return Failed(kErrNotBound);
  if (name.empty() || name.find('/') != std::string::npos) return Failed(kErrBadPathname);
  const char* cls = ChildClass(m_class, className);
  if (!cls) return Failed(kErrSchemaViolation);
  State state;
  if (uint32_t rc = detail::Load(state)) return Failed(rc);
  if (state.Find(path) >= 0) return Failed(kErrAlreadyExists);
  out.m_path = path;
  out.m_name = name;
  out.m_class = cls;
  out.m_pendingCreate = true;
  return kOk;
}

uint32_t Object::Invoke(const std::string& method) {
  if (uint32_t f = detail::Fault(faults::Kind::IisInvoke, m_path + "." + method)) return Failed(f);
  if (!IsBound()) return Failed(kErrNotBound);
  if (!SameText(method, "Recycle") || !SameText(m_class, "IIsApplicationPool")) return Failed(kErrUnknownMethod);
  uint32_t rc = detail::Transact([&](State& state, std::vector<Change>& changes) -> uint32_t {
    int i = state.Find(m_path);
    if (i < 0) return kErrPathNotFound;
    const Value* v = state.nodes[i].Find("AppPoolState");
    long long poolState = v ? v->AsNumber() : 2;
    if (poolState != 1 && poolState != 2) return kErrServiceNotActive;
    changes.push_back({"recycle", m_path, ""});
    return kOk;
  });
  return Failed(rc);
}

}  // namespace platform::iis
