#pragma once
// The insides of the request-log pass that tests and benchmarks look at; nothing that
// ships includes this.
#include <memory>
#include <string>
#include <string_view>

#include "service/request_log.h"

class CRequestLogProbe {
 public:
  using Sizes = CRequestLog::Sizes;
  // A worker that reads blocks of sizes.block bytes and records spans of sizes.span.
  static std::unique_ptr<CRequestLog> WithSizes(const std::string& programDir, Sizes sizes) {
    return std::unique_ptr<CRequestLog>(new CRequestLog(programDir, sizes, nullptr));
  }

  explicit CRequestLogProbe(const CRequestLog& log) : m_log(log) {}

  // A raw line as the daily log gets it (the pass's way, one line).
  std::string TransformLine(std::string_view line) const {
    std::string out;
    m_log.AppendTransformed(line, out);
    return out;
  }
  // The same, marker by marker.
  std::string TransformLineByReplacing(std::string_view line) const { return m_log.TransformLineByReplacing(line); }
  // The kept lines of a raw text (split at "\n", "\r\n" accepted), one by one.
  StringList TransformBatch(const std::string& content) const {
    StringList lines;
    for (size_t pos = 0; pos < content.size();) {
      size_t end = content.find('\n', pos);
      if (end == std::string::npos) end = content.size();
      std::string_view line(content.data() + pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.size() >= CRequestLog::kMinLineLength) lines.push_back(TransformLine(line));
      pos = end + 1;
    }
    return lines;
  }
  // The same lines as the pass writes a block, each followed by "\n", appended to out;
  // returns their number.
  size_t TransformLines(std::string_view content, std::string& out) const {
    size_t count = 0;
    out.resize(m_log.TransformInto(content, out, out.size(), count));
    return count;
  }
  const CQorIpVector& IpTable() const { return m_log.m_ipTable; }
  const std::string& RequestLogPath() const { return m_log.m_requestLogPath; }
  const std::string& WorkFilePath() const { return m_log.m_workFilePath; }
  const std::string& ProgressFilePath() const { return m_log.m_progressPath; }

 private:
  const CRequestLog& m_log;
};

inline CRequestLogProbe Probe(const CRequestLog& log) { return CRequestLogProbe(log); }
