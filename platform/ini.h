#pragma once
// Private-profile files as Windows reads them: section and key names case-blind,
// values trimmed, a missing file, section or key gives the default.
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
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(const std::string& section) const;

  std::vector<std::string>& Lines() { return m_lines; }
  const std::vector<std::string>& Lines() const { return m_lines; }

  // Line index of "[section]", or -1.
  int FindSection(const std::string& section) const;
  // Line index of the first "key=" inside the section starting at sectionLine, or -1.
  int FindKey(int sectionLine, const std::string& key) const;
  // Index one past the last line of the section.
  int SectionEnd(int sectionLine) const;

 private:
  std::vector<std::string> m_lines;
};

// Reads a value; default when the file, section or key is missing. The result is cut
// to size - 1 bytes when size > 0, as a fixed buffer would.
std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultValue, size_t size = 0);
// Reads an integer the way Windows does: leading digits, else the default.
int ReadInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue);

std::string Trim(const std::string& s);

}  // namespace platform::ini
