#pragma once
// The request-log pass of the service's log worker: the filter module's raw request
// log iis/log/iis.log becomes lines of the day's log, with the visitor's country and
// province filled in from the IP library.
//
// Hand-off: the filter module opens iis.log by name for every line, so the worker
// renames it to a work file (a later line makes a new iis.log), gives writers that
// opened the old name a moment to finish, reads the work file whole and deletes it
// only after its lines landed in the daily log. A work file found at start (a crash
// or a stop in between) is processed before any new iis.log.
//
// The worker builds one CRequestLog at thread start and calls ProcessPass every pass.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/build.h"
#include "platform/clock.h"
#include "service/ip_vector.h"

// Markers of a raw line.
inline constexpr const char* kMarkerArea = "~area~";
inline constexpr const char* kMarkerState = "~state~";
inline constexpr const char* kMarkerIpStart = "<ipstart>";
inline constexpr const char* kMarkerIpEnd = "<ipend>";

class CRequestLog {
 public:
  // Waits of a pass, in milliseconds (before QOR_TIME_SCALE).
  static constexpr int64_t kSettleWaitMs = 2000;  // iis.log seen: give the writer time
  static constexpr int64_t kGraceMs = 500;        // after the rename: late writers finish
  // Kept lines shorter than this are dropped; a batch of at most kSmallBatch bytes
  // (lines joined by "\n") stays where it is.
  static constexpr size_t kMinLineLength = 5;
  static constexpr size_t kSmallBatch = 10;

  enum PassResult {
    kIdle = 0,       // nothing to do
    kWritten,        // a batch landed in the daily log and its file is gone
    kLeftInPlace,    // a batch of 10 bytes or fewer waits for more lines
    kReadFailed,     // the file stays for a later pass
    kAppendFailed,   // the daily log refused the lines; the file stays
    kHandOffFailed,  // iis.log could not be taken over; it stays
    kStopped,        // stop was asked before the batch was taken
  };

  // Thread start: the paths under programDir (with its trailing '/'), the region
  // tables and the IP library programDir + "iplib.db".
  explicit CRequestLog(const std::string& programDir);
  virtual ~CRequestLog();
  CRequestLog(const CRequestLog&) = delete;
  CRequestLog& operator=(const CRequestLog&) = delete;

  // One pass over the request log; waits watch stop. Returns a PassResult.
  int ProcessPass(platform::StopToken* stop = nullptr);

  // A raw line as the daily log gets it.
  std::string TransformLine(std::string_view line) const;
  // The same, marker by marker: replace every region marker, then remove every
  // "<ipend>", then every "<ipstart>". TransformLine does it in one walk and comes
  // here for the few lines where the two could differ; tests compare them.
  std::string TransformLineByReplacing(std::string_view line) const;
  // The kept lines of a raw text (split at "\n", "\r\n" accepted), each transformed.
  StringList TransformBatch(const std::string& content) const;
  // The same lines joined with "\n" into joined (replaced); returns their number.
  size_t TransformBatchJoined(std::string_view content, std::string& joined) const;
  // Length of the lines joined with "\n".
  static size_t JoinedSize(const StringList& lines);

  // Reads a library file as the worker does at start (letter form substituted);
  // returns the number of ranges.
  int LoadIpLibrary(const std::string& path);

  const CQorIpVector& IpTable() const { return m_ipTable; }
  const std::string& RequestLogPath() const { return m_requestLogPath; }
  const std::string& WorkFilePath() const { return m_workFilePath; }
  const std::string& LogDir() const { return m_logDir; }

 private:
  int ProcessWorkFile();
  bool ReadSettled(const std::string& path, std::string& out) const;
  bool CarrySmallBatchInto(const std::string& requestLog);
  const std::string& CountryName(int code) const;
  const std::string& ProvinceName(int code) const;
  void AppendTransformed(std::string_view line, std::string& out) const;

  std::string m_requestLogPath, m_workFilePath, m_logDir;
  CQorIpVector m_ipTable;
  // Names by code, taken once from the region tables (codes outside have none).
  StringList m_countryNames, m_provinceNames;
};
