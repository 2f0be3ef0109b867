#pragma once
// The request-log pass of the service's log worker: the filter module's raw request
// log iis/log/iis.log becomes lines of the day's log, with the visitor's country and
// province filled in from the IP library.
//
// Hand-off: the filter module opens iis.log by name for every line, so the worker
// renames it to a work file (a later line makes a new iis.log), gives writers that
// opened the old name a moment to finish, then reads the work file block by block,
// appending each block's lines to the daily log, and deletes it only after its last
// block landed. Reading, transforming and appending overlap: the pass's thread reads
// blocks into a few reused buffers, up to four threads transform them, and one appends them
// in the order they were read; all end before the pass does. A batch too small to write stays in iis.log, so the daily log keeps
// the order in which the lines were written. Only a regular file is taken: a link in
// its place is removed and the refusal goes to the event log.
//
// Exactly once: the work file goes into the daily log in spans of up to kSpanSize bytes.
// Before a span's first append, a small progress file beside the work file records
// where the span starts in the work file (every line before it has landed), the day,
// the daily log's size before the span and a checksum of the IP library. Appends are
// single O_APPEND writes of whole lines, so other writers' lines (the panel's
// operation log goes into the same daily log) may stand between them, never inside.
// A pass that finds a work file (a kill, a stop or a failed append in between) settles
// the recorded span first: it transforms the span's lines again and walks the daily log from the recorded
// size, taking each line that equals the next expected one as landed and passing over
// any other. A last line cut by a kill is completed with its missing bytes (or, when it
// is not the next expected line, cut off), only while the log still ends with it. Every
// writer starts its lines on a line of their own when the log does not end in a line end
// (see AppendDailyLogText), so a piece that another writer's line followed before the
// restart stands alone: it stays, the pass writes its line whole after it, and the
// service log says so once. The pass then goes on after the last line that landed. So a
// kill anywhere, inside a line or at a line end, neither doubles nor loses a line, no
// line holds two writers' text, and nothing another writer appended is cut. Where the
// library changed between the kill and the restart, the lines transform differently: a
// line then counts as landed when it differs from the expected one in the region text
// alone. A failed append is reported to the event log once until an append works
// again; what did not land waits for a later pass. A work file whose lines all landed
// but that cannot be deleted (told once until a delete works) is only deleted again by
// later passes while it stays as it was; a record that cannot be written because no
// file stands in its place holds the passes, without reading, while that stays so.
//
// The worker builds one CRequestLog at thread start and calls ProcessPass every pass.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/build.h"
#include "common/program_log.h"
#include "platform/clock.h"
#include "platform/eventlog.h"
#include "common/ip_vector.h"

namespace platform::fs {
class InFile;
}

// Event-log entries of the request-log pass.
enum : uint32_t {
  kEventRequestLogNotWritten = 109,  // the daily log refused a block: path, error code
  kEventRequestLogRefused = 110,     // iis.log or its work file was not a regular file: path
  kEventRequestLogLeft = 111,        // the work file stayed after its lines landed: path, error
};

class CRequestLog {
 public:
  // Waits of a pass, in milliseconds (before QOR_TIME_SCALE).
  static constexpr int64_t kSettleWaitMs = 2000;  // iis.log seen: give the writer time
  static constexpr int64_t kGraceMs = 500;        // after the rename: late writers finish
  // Kept lines shorter than this are dropped; a batch of at most kSmallBatch bytes
  // (lines joined by "\n") stays where it is.
  static constexpr size_t kMinLineLength = 5;
  static constexpr size_t kSmallBatch = 10;
  // The work file is read in blocks of about this size, each ending at a line end,
  // and one progress record covers a span of about kSpanSize bytes of it.
  static constexpr size_t kBlockSize = 1 << 20;
  static constexpr int64_t kSpanSize = 64 << 20;
  // Every kDropSize bytes read, the work file's cached pages of them are let go: they
  // are not read again (a restart reads from the disk), and the delete at the end
  // would otherwise free them all at once.
  static constexpr int64_t kDropSize = 8 << 20;

  enum PassResult {
    kIdle = 0,       // nothing to do
    kWritten,        // a batch landed in the daily log and its file is gone
    kLeftInPlace,    // a batch of 10 bytes or fewer waits in iis.log for more lines
    kReadFailed,     // the file stays for a later pass
    kAppendFailed,   // the daily log refused the lines; the rest waits for a later pass
    kHandOffFailed,  // iis.log could not be taken over; it stays
    kStopped,        // stop was asked; what is left waits for the next pass
    kRefused,        // a link or other non-file stood in the place of the request log
  };

  // Thread start: the paths under programDir (with its trailing '/'), the region
  // tables and the IP library programDir + "iplib.db". A stop asked during the load
  // cuts it short; every pass then returns kStopped at once.
  explicit CRequestLog(const std::string& programDir, platform::StopToken* stop = nullptr);
  virtual ~CRequestLog();
  CRequestLog(const CRequestLog&) = delete;
  CRequestLog& operator=(const CRequestLog&) = delete;

  // One pass over the request log; every wait ends on stop. Returns a PassResult.
  int ProcessPass(platform::StopToken* stop = nullptr);

 private:
  // What the tests and benchmarks look at (tests/service/request_log_probe.h).
  friend class CRequestLogProbe;

  // Smaller blocks and spans let tests reach every part of a pass with a small file.
  struct Sizes {
    size_t block = kBlockSize;
    int64_t span = kSpanSize;
    int64_t drop = kDropSize;
  };
  CRequestLog(const std::string& programDir, Sizes sizes, platform::StopToken* stop);

  // A raw line as the daily log gets it, marker by marker: replace every region marker, then remove every
  // "<ipend>", then every "<ipstart>". The one walk comes here for the few lines
  // where the two could differ; a randomised test holds the two equal on the rest.
  std::string TransformLineByReplacing(std::string_view line) const;
  // The kept lines of a raw text (split at "\n", "\r\n" accepted), each transformed
  // and followed by "\n", written into out from used on; out is grown, never cut back (the
  // bytes past the returned end are scratch), so a reused buffer is not filled anew.
  size_t TransformInto(std::string_view content, std::string& out, size_t used, size_t& count) const;

  // Reads a library file as the worker does at start (letter form substituted);
  // returns the number of ranges, -1 when stop was asked meanwhile.
  int LoadIpLibrary(const std::string& path, platform::StopToken* stop);

  struct Progress;
  struct Pipe;
  int ProcessWorkFile(platform::StopToken* stop);
  // Transformers take the blocks read, any of them, until the reader finished.
  void TransformBlocks(Pipe& pipe) const;
  // The reader's side of a pass from done on: 0 when the file was read to its end (or
  // the writer failed), else the pass result; done := how far it was read.
  int ReadBlocks(platform::fs::InFile& work, const std::string& identity, int64_t& done, Pipe& pipe,
                 platform::StopToken* stop);
  // Deletes the work file, all of whose size bytes landed, and the progress record.
  int DeleteWorkFile(const std::string& identity, int64_t size);
  // The delete of a work file left by an earlier pass, tried again while the file is as
  // it was; 0 when it changed and the pass goes on as usual.
  int DeleteLeftWorkFile();
  // The writer's side: a record before each span, then the blocks appended in order.
  void WriteBlocks(Pipe& pipe, const std::string& identity);
  // Opens the work file again after a wait: 0, or the pass result when it cannot be
  // opened or is no longer the file it was.
  int Reopen(platform::fs::InFile& work, const std::string& identity);
  bool WaitForWriters(platform::StopToken* stop) const;
  bool IsSmallBatch(platform::fs::InFile& file);
  // A buffer reused block after block; only a line longer than a block makes it grow.
  struct BlockBuffer {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    std::string_view block;  // what the last read left in it
  };
  // into.block := the file's bytes from offset up to a line end, about blockSize of
  // them (atEnd: the file ended first). 0 or a Windows code.
  static int ReadBlock(platform::fs::InFile& file, int64_t offset, bool& atEnd, size_t blockSize, BlockBuffer& into);
  bool LoadProgress(Progress& p) const;
  bool SaveProgress(const Progress& p) const;
  // Settles the span a progress record describes (see the top): done := where the
  // work file goes on. 0, or the pass result when the daily log could not be set right.
  int SettleSpan(platform::fs::InFile& work, const Progress& p, int64_t& done);
  // Whether a daily-log line is the expected one, or (library changed) differs from it
  // in the region text alone.
  bool SameLine(std::string_view logged, std::string_view expected, bool exact) const;
  // A piece of a request line cut by a kill stays at offset of the daily log on a line
  // of its own: the service log says so, once for each piece.
  void ReportPiece(const std::string& path, int64_t offset);
  int Refuse(const std::string& path);
  void Report(platform::eventlog::EventType type, uint32_t id, const std::vector<std::string>& texts);
  const std::string& CountryName(int code) const;
  const std::string& ProvinceName(int code) const;
  // Transforming a line: its markers are found first, its address looked up, then
  // the line is written.
  struct LineMarkers;
  static void FindMarkers(std::string_view line, LineMarkers& markers);
  // The line transformed and its "\n" written into out at used (out's size runs ahead,
  // see Room); returns the new used.
  size_t WriteTransformed(std::string_view line, const LineMarkers& markers, bool found, int countryId,
                          int provinceId, std::string& out, size_t used) const;
  static size_t WriteText(std::string_view text, std::string& out, size_t used);
  static char* Room(std::string& out, size_t used, size_t n);
  void AppendTransformed(std::string_view line, std::string& out) const;

  std::string m_requestLogPath, m_workFilePath, m_progressPath, m_logDir;
  CQorIpVector m_ipTable;
  uint64_t m_librarySum = 0;  // checksum of the library text the lines are looked up in
  bool m_loadStopped = false;  // the library was not read: no pass may run
  Sizes m_sizes;
  // Names by code, taken once from the region tables (codes outside have none).
  StringList m_countryNames, m_provinceNames;
  size_t m_maxRegionSize = 0;  // the longest "country-province" text
  // Scratch of the small-batch check; a pass holds its blocks in its hand-off buffers.
  BlockBuffer m_small;
  std::string m_out;
  std::mutex m_eventsMutex;  // the reader and the writer both report
  platform::eventlog::Source m_events;
  bool m_appendFailing = false;  // reported once until an append succeeds again (the writer's)
  // Something else than a file stood where the last record was to go (the writer's).
  bool m_recordBlocked = false;
  // The work file whose lines all landed and whose delete failed; size -1: none.
  struct LeftWork {
    std::string identity;
    int64_t size = -1;
  } m_left;
  bool m_leftReported = false;  // until a delete of the work file works again
  std::string m_pieceReported;  // the daily log and offset of the last piece told of
  CLog m_log;                   // the service log
};
