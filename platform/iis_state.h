#pragma once
// The stored IIS state behind platform/iis.h: a list of objects (path, class,
// properties) in one file, read and replaced under a lock, with a journal of changes.
// Internal to the iis module.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/faults.h"
#include "platform/iis.h"

namespace platform::iis::detail {

struct Node {
  std::string path;  // "W3SVC/1/Root", stored case
  std::string cls;
  std::vector<std::pair<std::string, Value>> props;

  const Value* Find(const std::string& name) const;
  // Sets or adds; false when the value was already so.
  bool Set(const std::string& name, const Value& value);
};

struct Change {
  std::string op, path, detail;
};

class State {
 public:
  std::vector<Node> nodes;

  // Index of the node at path (case-blind), -1 when none.
  int Find(const std::string& path) const;
  std::vector<int> ChildrenOf(const std::string& path) const;
  // Appends the node; the caller checks that its parent exists.
  Node& Add(const std::string& path, const std::string& cls);
  // The node and everything below it.
  void Remove(const std::string& path);

  // The state of a machine whose IIS holds no sites yet.
  static State Fresh();
  std::string Serialize() const;
  // False when the text is damaged.
  bool Parse(const std::string& text);
};

// Runs fn on the current state under the state lock. When fn returns kOk and recorded
// changes, the state is written back and the changes journalled.
uint32_t Transact(const std::function<uint32_t(State&, std::vector<Change>&)>& fn);
// A consistent copy of the state.
uint32_t Load(State& out);
// Writes the state and the changes as they are (seeding), the journal started anew.
uint32_t Reset(const State& state, const std::vector<Change>& changes);

uint32_t Fault(faults::Kind kind, const std::string& path);
void SetLastFailure(uint32_t code);

// Text helpers that keep GBK pairs whole.
bool SameText(const std::string& a, const std::string& b);
std::string LowerText(const std::string& s);
std::string ParentPath(const std::string& path);
std::string LastPiece(const std::string& path);
std::string JoinPath(const std::string& parent, const std::string& name);
// Names of a comma-separated list, trimmed of blanks, empty ones dropped.
std::vector<std::string> SplitNames(const std::string& list);
std::string ValueText(const Value& v);  // for the journal

}  // namespace platform::iis::detail
