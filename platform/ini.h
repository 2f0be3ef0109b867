#pragma once
// Private-profile files as Windows reads and writes them: section and key names
// case-blind, values trimmed, a missing file, section or key gives the default; a
// write keeps every other line, comments included.
#include <functional>
#include <string>
#include <vector>

namespace platform::ini {

// One file held as its lines, so that a rewrite keeps comments and order.
class Document {
 public:
  // Accepts "\r\n" and "\n".
  void Parse(const std::string& text);
  std::string Text() const;

  // True and the trimmed value when the key exists in the first matching section.
  bool Get(const std::string& section, const std::string& key, std::string& value) const;
  std::vector<std::string> Keys(const std::string& section) const;

  std::vector<std::string>& Lines() { return m_lines; }
  const std::vector<std::string>& Lines() const { return m_lines; }

  // Line index of "[section]", or -1.
  int FindSection(const std::string& section) const;
  // Line index of the first "key=" inside the section starting at sectionLine, or -1.
  int FindKey(int sectionLine, const std::string& key) const;
  // Index one past the last line of the section.
  int SectionEnd(int sectionLine) const;

  // Replaces the first matching key of the first matching section, else adds the key
  // after the section's last non-blank line, else adds the section at the end.
  // CR and LF are removed from all three texts first.
  void Set(const std::string& section, const std::string& key, const std::string& value);

 private:
  std::vector<std::string> m_lines;
};

// Reads a value; default when the file, section or key is missing. The result is cut
// to size - 1 bytes when size > 0, as a fixed buffer would.
std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultValue, size_t size = 0);
// Reads an integer the way Windows does: leading digits, else the default.
int ReadInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue);

// Writes key=value under an exclusive lock on LockPath(path) and replaces the file
// atomically, so that writers in other processes lose nothing and readers see the old
// or the new file. The lock file exists only while a write runs. A missing file is created (its folder is not). False when the
// section or key is empty, the file cannot be read, or the replace fails.
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value);
// The general read-modify-write behind WriteString: change sees the current lines (none
// for a missing file) and the result replaces the file.
bool Update(const std::string& path, const std::function<void(Document&)>& change);
// The lock file beside path that every writer takes.
std::string LockPath(const std::string& path);

std::string Trim(const std::string& s);

}  // namespace platform::ini
