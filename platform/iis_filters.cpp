// The ISAPI filter list as the IIS 7 configuration system shows it: the load order of
// W3SVC/Filters with the attributes of each name's filter object.
#include "platform/iis.h"
#include "platform/iis_state.h"

namespace platform::iis {

using detail::Change;
using detail::SameText;
using detail::State;

namespace {
constexpr const char* kFilters = "W3SVC/Filters";

std::string LoadOrderText(const State& state) {
  int i = state.Find(kFilters);
  if (i < 0) return "";
  const Value* v = state.nodes[i].Find("FilterLoadOrder");
  return v ? v->AsText() : "";
}

void SetLoadOrder(State& state, const std::string& text, std::vector<Change>& changes) {
  int i = state.Find(kFilters);
  if (i < 0) return;
  if (state.nodes[i].Set("FilterLoadOrder", Value::OfText(text)))
    changes.push_back({"put", state.nodes[i].path, "FilterLoadOrder=" + text});
}

std::string FilterPathOf(const std::string& name) { return std::string(kFilters) + "/" + name; }
}  // namespace

uint32_t ListFilters(std::vector<FilterEntry>& out) {
  out.clear();
  State state;
  if (uint32_t rc = detail::Load(state)) return rc;
  for (const auto& name : detail::SplitNames(LoadOrderText(state))) {
    FilterEntry e;
    e.name = name;
    int i = state.Find(FilterPathOf(name));
    if (i >= 0) {
      const auto& node = state.nodes[i];
      if (const Value* v = node.Find("FilterPath")) e.path = v->AsText();
      if (const Value* v = node.Find("PreCondition")) e.preCondition = v->AsText();
      if (const Value* v = node.Find("FilterEnabled")) e.enabled = v->AsNumber() != 0;
    }
    out.push_back(std::move(e));
  }
  return kOk;
}

uint32_t AddFilter(const FilterEntry& entry) {
  if (entry.name.empty() || entry.name.find_first_of("/,") != std::string::npos) return kErrBadPathname;
  return detail::Transact([&](State& state, std::vector<Change>& changes) -> uint32_t {
    if (state.Find(kFilters) < 0) {
      if (state.Find("W3SVC") < 0) return kErrPathNotFound;
      state.Add(kFilters, "IIsFilters");
      changes.push_back({"create", kFilters, "IIsFilters"});
    }
    std::string order = LoadOrderText(state);
    for (const auto& name : detail::SplitNames(order))
      if (SameText(name, entry.name)) return kErrAlreadyExists;
    std::string path = FilterPathOf(entry.name);
    int i = state.Find(path);
    if (i < 0) {
      state.Add(path, "IIsFilter");
      changes.push_back({"create", path, "IIsFilter"});
      i = static_cast<int>(state.nodes.size()) - 1;
    }
    auto put = [&](const char* name, const Value& v) {
      if (state.nodes[i].Set(name, v)) changes.push_back({"put", state.nodes[i].path, std::string(name) + "=" + detail::ValueText(v)});
    };
    put("FilterPath", Value::OfText(entry.path));
    put("FilterEnabled", Value::OfBool(entry.enabled));
    put("PreCondition", Value::OfText(entry.preCondition));
    size_t last = order.find_last_not_of(" \t");
    order = last == std::string::npos ? "" : order.substr(0, last + 1);
    if (order.empty()) order = entry.name;
    else order += (order.back() == ',' ? "" : ",") + entry.name;
    SetLoadOrder(state, order, changes);
    return kOk;
  });
}

uint32_t RemoveFilter(const std::string& name) {
  return detail::Transact([&](State& state, std::vector<Change>& changes) -> uint32_t {
    std::string kept;
    bool found = false;
    for (const auto& n : detail::SplitNames(LoadOrderText(state))) {
      if (SameText(n, name)) {
        found = true;
        continue;
      }
      kept += (kept.empty() ? "" : ",") + n;
    }
    if (!found) return kErrPathNotFound;
    SetLoadOrder(state, kept, changes);
    int i = state.Find(FilterPathOf(name));
    if (i >= 0) {
      std::string path = state.nodes[i].path;
      state.Remove(path);
      changes.push_back({"delete", path, ""});
    }
    return kOk;
  });
}

}  // namespace platform::iis
