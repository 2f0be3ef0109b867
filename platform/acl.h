#pragma once
// Access-control lists of files and folders, modelled (not enforced) in
// <machine root>/acl/. An object has explicit entries and a protected flag; when not
// protected it also takes the inheritable entries of its parent folders.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::acl {

// The module's one result: Read, Merge, Apply and Clear answer an int that is one of
// these Windows codes (0 when done), and the answer must be looked at ([[nodiscard]]);
// one that is dropped on purpose is cast to void with the reason beside it.
enum : int {
  kOk = 0,
  kFileNotFound = 2,   // the path does not exist
  kAccessDenied = 5,   // the model cannot be read or written
  kInvalidParameter = 87,
  kNoneMapped = 1332,  // an unknown trustee
};

// Access masks the callers pass.
enum : uint32_t {
  kDelete = 0x00010000,
  kGenericAll = 0x10000000,
  kGenericExecute = 0x20000000,
  kGenericWrite = 0x40000000,
  kGenericRead = 0x80000000,
};

// Inheritance flags of an entry.
enum : uint32_t {
  kObjectInherit = 1,     // files below take it
  kContainerInherit = 2,  // folders below take it
  kNoPropagate = 4,       // only the objects directly below
  kInheritOnly = 8,       // not for the object itself
  kSubContainersAndObjects = kObjectInherit | kContainerInherit,
};

struct Entry {
  std::string trustee;  // canonical account name
  uint32_t mask = 0;
  uint32_t inheritance = 0;
  bool deny = false;
  bool inherited = false;  // taken from a parent folder
};

// How an entry joins a list: Grant adds its rights to the trustee's, Set replaces
// every explicit entry of the trustee, Deny adds a deny entry, Revoke removes the
// trustee's explicit entries.
enum class Mode { Grant, Set, Deny, Revoke };

struct Access {
  std::string trustee;  // any name accounts::LookupName accepts
  uint32_t mask = 0;
  Mode mode = Mode::Grant;
  uint32_t inheritance = 0;
};

struct Acl {
  bool isProtected = false;
  std::vector<Entry> entries;  // explicit first, then inherited
};

// The whole list of an object: explicit and (unless protected) inherited entries.
// 0, or 2 when the path does not exist.
[[nodiscard]] int Read(const std::string& path, Acl& out);
// Merges accesses into a list (old may be null: start empty): 0, or 1332.
[[nodiscard]] int Merge(const std::vector<Access>& accesses, const std::vector<Entry>* old, std::vector<Entry>& out);
// Makes entries the object's list. Protected: inherited entries in the list become
// explicit copies and the parents' entries stop applying. Not protected: entries
// marked inherited are dropped (the parents give them). 0, 2 missing path.
[[nodiscard]] int Apply(const std::string& path, const std::vector<Entry>& entries, bool isProtected);
// Forgets the object's own list (it then has only what it inherits).
[[nodiscard]] int Clear(const std::string& path);

// The model file of the current machine root.
std::string ModelPath();

// Reading, merging and applying ask the fault table (platform/faults.h, kinds AclRead,
// AclMerge, AclApply) first; a code it gives is the call's answer.

}  // namespace platform::acl
