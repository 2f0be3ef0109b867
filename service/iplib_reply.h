#pragma once
// The IP-library reply read as it arrives. Its tags are found where GetTagValue finds
// them in the whole text (first opening tag, first closing tag, character starts
// only); the library between its tags is handed on piece by piece, never held.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CIpLibReplyReader {
 public:
  // Takes the library text piece by piece; false stops the reading.
  using CodeSink = std::function<bool(std::string_view)>;
  // Longest time text kept; a reply with a longer one is no answer.
  static constexpr size_t kMaxTimeBytes = 4096;

  explicit CIpLibReplyReader(CodeSink code);
  // The next piece of the reply (line ends already removed). False once the sink said
  // so. The library has gone to the sink whole when its closing tag came.
  bool Feed(std::string_view piece);

  // The acceptance of the update worker: the reply holds "</QorIpCode>"; the time of
  // "<QoripTime>" or else "<QorIpTime>" is not empty and differs from version once its
  // blanks are gone; the library is longer than 100 bytes; the error text is empty.
  // time: the time as sent.
  bool Accept(const std::string& version, std::string& time) const;
  // Bytes of the library between its tags (0 until its closing tag came).
  uint64_t CodeBytes() const { return m_code.Length(); }

 private:
  // One pair of tags and what lies between them.
  struct Value {
    enum class Kind { Kept, Counted, HandedOn };
    enum class State { Seeking, Inside, Done };
    Value(std::string_view o, std::string_view c, Kind k) : open(o), close(c), kind(k) {}
    std::string_view open, close;
    Kind kind;
    State state = State::Seeking;
    uint64_t start = 0, length = 0;  // where the value starts; its length once Done
    std::string held;                // Kept: the text; HandedOn: what waits to go
    uint64_t handed = 0;             // HandedOn: bytes gone to the sink
    bool tooLong = false;            // Kept: longer than kMaxTimeBytes
    uint64_t Length() const { return state == State::Done ? length : 0; }
    std::string Text() const { return state == State::Done && !tooLong ? held : ""; }
  };

  // Bytes without a tag's end in them; then one that may end a tag.
  void Walk(std::string_view run);
  void Append(Value& v, std::string_view run);
  void AtTagEnd(Value& v);
  bool EndsWith(std::string_view tag) const;
  // Hands the library on, but for its last keep bytes (they may begin the closing tag).
  void HandOn(Value& v, size_t keep);

  CodeSink m_sink;
  Value m_serviceTime, m_panelTime, m_error, m_code;
  bool m_sinkFailed = false;
  uint64_t m_pos = 0;    // bytes taken so far
  bool m_trail = false;  // the next byte is the second of a double-byte character
  // The last 32 bytes taken (a ring at m_pos) and which of them start a character
  // (bit i: the byte i back from the last).
  char m_recent[32] = {};
  uint32_t m_starts = 0;
};

// A time as the versions compare it: without its blanks.
std::string IpLibBareTime(const std::string& time);
