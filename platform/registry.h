#pragma once
// HKEY_LOCAL_MACHINE as one hive file under the machine root. Key paths are
// backslash-separated GBK texts relative to the hive ("SYSTEM\CurrentControlSet\Services");
// key and value names are compared without regard to case and keep the case they
// were created with. Every call reads the hive under a file lock and every change
// replaces the file atomically, so several processes may use it at once.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::registry {

// The module's one result: every call below that can fail answers an int that is one of
// these Windows codes (0 when done), and the answer must be looked at ([[nodiscard]]);
// one that is dropped on purpose is cast to void with the reason beside it.
enum : int {
  kOk = 0,
  kFileNotFound = 2,     // key or value missing
  kAccessDenied = 5,     // the hive cannot be read or written
  kInvalidHandle = 6,    // a key that was never opened
  kInvalidData = 13,     // a value of another type than asked for
  kInvalidParameter = 87,
  kKeyDeleted = 1018,    // the key was deleted after it was opened
};

enum class ValueType : uint32_t { String = 1, ExpandString = 2, Binary = 3, Dword = 4 };

struct Value {
  std::string name;
  ValueType type = ValueType::String;
  // Strings without their terminating zero; a DWORD as 4 little-endian bytes.
  std::string data;
};

// An open key: a path that existed when it was opened. Cheap to copy; nothing to close.
class Key {
 public:
  Key() = default;
  bool IsOpen() const { return m_open; }
  // The path as stored (the stored case of every level).
  const std::string& Path() const { return m_path; }
  void Close() { m_open = false; m_path.clear(); }

  [[nodiscard]] int QueryValue(const std::string& name, Value& out) const;
  // String or expand-string; kInvalidData for other types.
  [[nodiscard]] int QueryString(const std::string& name, std::string& out) const;
  [[nodiscard]] int QueryDword(const std::string& name, uint32_t& out) const;
  [[nodiscard]] int SetString(const std::string& name, const std::string& value, bool expand = false) const;
  [[nodiscard]] int SetDword(const std::string& name, uint32_t value) const;
  [[nodiscard]] int SetBinary(const std::string& name, const std::string& bytes) const;
  [[nodiscard]] int SetValue(const Value& value) const;
  [[nodiscard]] int DeleteValue(const std::string& name) const;
  // Values and direct subkeys in the order they were created.
  [[nodiscard]] int ListValues(std::vector<Value>& out) const;
  [[nodiscard]] int ListSubKeys(std::vector<std::string>& out) const;

 private:
  friend int OpenKey(const std::string&, Key&);
  friend int CreateKey(const std::string&, Key&, bool*);
  bool m_open = false;
  std::string m_path;
};

// 0, or 2 when the key does not exist.
[[nodiscard]] int OpenKey(const std::string& path, Key& out);
// Opens the key, making every missing level; created tells whether it was new.
[[nodiscard]] int CreateKey(const std::string& path, Key& out, bool* created = nullptr);
bool KeyExists(const std::string& path);
// A key with no subkeys (kAccessDenied when it has some, as on Windows).
[[nodiscard]] int DeleteKey(const std::string& path);
// A key and everything below it.
[[nodiscard]] int DeleteTree(const std::string& path);

// The hive file of the current machine root.
std::string HivePath();

// Reading and writing the hive ask the fault table (platform/faults.h, kinds
// RegistryRead, RegistryWrite) first; a code it gives is the call's answer.

}  // namespace platform::registry
