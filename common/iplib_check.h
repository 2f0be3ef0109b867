#pragma once
// What a downloaded IP library must be before it may replace iplib.db, for the panel
// and the service alike.
#include <string>
#include <string_view>

// A library text looked at piece by piece as it arrives, so that a download need not
// be held, nor a table built of it, to know whether it may be stored.
class CIpLibProbe {
 public:
  void Feed(std::string_view piece);
  // Empty when the text fed so far may be stored; else why not: a zero byte in it, or
  // not one record that the table reads (in either of the library's two forms).
  std::string Refusal() const;

 private:
  // The records of one form, as the table splits them: only their field counts.
  struct Records {
    bool separator = false;  // a "|" or "*" stood in the text
    bool usable = false;     // a record with enough fields has ended
    bool fieldOpen = false;  // the current field has a character
    int fields = 0;          // non-empty fields of the current record
    void Take(char c);
    bool UsableAtEnd() const;
  };

  Records m_plain, m_substituted;
  bool m_trail = false;  // the next byte is the second of a double-byte character
  bool m_zero = false;
};

// The probe's verdict on a whole library text.
std::string IpLibRefusal(const std::string& library);
