#include <gtest/gtest.h>

#include <random>

#include "common/date_text.h"
#include "platform/clock.h"
#include "service/request_log.h"
#include "tests/service/request_log_probe.h"
#include "tests/support/temp_install.h"

namespace {

// 1.0.0.0/24 China, Beijing; 2.0.0.0/24 USA without province; 3.0.0.7 alone Hong
// Kong; 4.0.0.0/24 codes that the region tables do not know.
const char* kLibrary =
    "16777216|255|154|1002|0*33554432|255|81|0|0*50331655|0|154|1013|0*67108864|255|999|1099|0";

class RequestLogTransform : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.WriteProgramFile("iplib.db", kLibrary);
    log_ = std::make_unique<CRequestLog>(install_.ProgramDir());
    ASSERT_EQ(Probe(*log_).IpTable().GetCount(), 4);
  }
  qortest::TempInstall install_;
  std::unique_ptr<CRequestLog> log_;
};

}  // namespace

TEST_F(RequestLogTransform, MarkersAreFilledFromTheLibrary) {
  struct Case {
    std::string line, want;
  } cases[] = {
      {"t\t区域\tdeny\t<ipstart>1.0.0.5<ipend>\t~area~", "t\t区域\tdeny\t1.0.0.5\t中国-北京市"},
      // Province 0: the country and the hyphen.
      {"t\t区域\tdeny\t<ipstart>2.0.0.9<ipend>\t~area~", "t\t区域\tdeny\t2.0.0.9\t美国-"},
      {"t\t区域\tdeny\t<ipstart>3.0.0.7<ipend>\t~area~", "t\t区域\tdeny\t3.0.0.7\t中国-香港特别行政区"},
      // In no range, or not an IPv4 address: the hyphen alone.
      {"t\t区域\tdeny\t<ipstart>9.9.9.9<ipend>\t~area~", "t\t区域\tdeny\t9.9.9.9\t-"},
      {"t\t区域\tdeny\t<ipstart>2001:db8::1<ipend>\t~area~", "t\t区域\tdeny\t2001:db8::1\t-"},
      {"t\t区域\tdeny\t<ipstart>1.0.0.300<ipend>\t~area~", "t\t区域\tdeny\t1.0.0.300\t-"},
      {"t\t区域\tdeny\t<ipstart>localhost<ipend>\t~area~", "t\t区域\tdeny\tlocalhost\t-"},
      {"t\t区域\tdeny\t<ipstart>::ffff:1.0.0.5<ipend>\t~area~", "t\t区域\tdeny\t::ffff:1.0.0.5\t中国-北京市"},
      // Codes the region tables do not know give empty names.
      {"t\t区域\tdeny\t<ipstart>4.0.0.1<ipend>\t~area~", "t\t区域\tdeny\t4.0.0.1\t-"},
      // Every marker of the line is replaced or removed.
      {"~area~ <ipstart>1.0.0.5<ipend> ~area~ <ipend>", "中国-北京市 1.0.0.5 中国-北京市 "},
      // Province alone; no test for province 0, and empty for a failed lookup.
      {"t\tIP\tdeny\t<ipstart>1.0.0.5<ipend>\t~state~", "t\tIP\tdeny\t1.0.0.5\t北京市"},
      {"t\tIP\tdeny\t<ipstart>2.0.0.9<ipend>\t~state~", "t\tIP\tdeny\t2.0.0.9\t"},
      {"t\tIP\tdeny\t<ipstart>9.9.9.9<ipend>\t~state~!", "t\tIP\tdeny\t9.9.9.9\t!"},
      // Both markers: an area line, and its "~state~" stays.
      {"<ipstart>1.0.0.5<ipend> ~state~ ~area~", "1.0.0.5 ~state~ 中国-北京市"},
      // No address, or nothing between the markers: unchanged, markers included.
      {"t\t区域\tdeny\t-\t~area~", "t\t区域\tdeny\t-\t~area~"},
      {"t\t区域\t<ipstart><ipend>\t~area~", "t\t区域\t<ipstart><ipend>\t~area~"},
      {"t\t<ipend>1.0.0.5<ipstart>\t~state~", "t\t<ipend>1.0.0.5<ipstart>\t~state~"},
      // No region marker: the address markers stay too.
      {"t\tURL\tdeny\t<ipstart>1.0.0.5<ipend>\t/x", "t\tURL\tdeny\t<ipstart>1.0.0.5<ipend>\t/x"},
      // "~" as the second byte of a double-byte character starts no marker.
      {"\x81~area~<ipstart>1.0.0.5<ipend>", "\x81~area~<ipstart>1.0.0.5<ipend>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Probe(*log_).TransformLine(c.line), c.want) << c.line;
}

TEST_F(RequestLogTransform, NoLineCarriesTheRegionOfAnEarlierOne) {
  StringList out = Probe(*log_).TransformBatch(
      "a\t<ipstart>3.0.0.7<ipend>\t~area~\n"
      "b\t<ipstart>2.0.0.9<ipend>\t~area~\n"
      "c\t<ipstart>8.8.8.8<ipend>\t~area~\n"
      "d\t<ipstart>8.8.8.8<ipend>\t~state~\n");
  EXPECT_EQ(out, (StringList{"a\t3.0.0.7\t中国-香港特别行政区", "b\t2.0.0.9\t美国-", "c\t8.8.8.8\t-", "d\t8.8.8.8\t"}));
}

TEST_F(RequestLogTransform, BatchKeepsLinesOfFiveBytesOrMore) {
  struct Case {
    std::string content;
    StringList want;
  } cases[] = {
      {"abcd\nabcde\n", {"abcde"}},
      {"abcde\r\nfghij\r\n", {"abcde", "fghij"}},
      {"\n\n  \nabcdef", {"abcdef"}},
      {"abcd\r\n", {}},
      {"", {}},
      // A double-byte character counts its two bytes.
      {"中国x\n中国\n", {"中国x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Probe(*log_).TransformBatch(c.content), c.want) << c.content;
}

TEST(RequestLogLibrary, LetterFormIsSubstitutedBeforeParsing) {
  qortest::TempInstall install;
  // "16777216|255|154|1002|0*" in the letter form: digits and separators replaced.
  install.WriteProgramFile("iplib.db", "g,iiijg,0jll0glk0gaaj0ac");
  CRequestLog log(install.ProgramDir());
  ASSERT_EQ(Probe(log).IpTable().GetCount(), 1);
  EXPECT_EQ(Probe(log).TransformLine("<ipstart>1.0.0.1<ipend>~area~"), "1.0.0.1中国-北京市");
}

TEST(RequestLogLibrary, TextWithSeparatorsIsTakenAsItIs) {
  qortest::TempInstall install;
  // Has "|": read as is, so the letters are no digits and the record reads zeros.
  install.WriteProgramFile("iplib.db", "g|j|b|k|l");
  CRequestLog log(install.ProgramDir());
  ASSERT_EQ(Probe(log).IpTable().GetCount(), 1);
  EXPECT_EQ(Probe(log).IpTable().Ranges()[0].countryId, 0);
}

TEST(RequestLogLibrary, LineBreaksInTheLibraryFileAreDropped) {
  qortest::TempInstall install;
  // Read without line ends: the second line continues the first.
  install.WriteProgramFile("iplib.db", "16777216|25\n5|154|1002|0");
  CRequestLog log(install.ProgramDir());
  ASSERT_EQ(Probe(log).IpTable().GetCount(), 1);
  EXPECT_EQ(Probe(log).IpTable().Ranges()[0].last, 16777216u + 255u);
}

TEST(RequestLogLibrary, MissingLibraryFailsEveryLookup) {
  qortest::TempInstall install;
  CRequestLog log(install.ProgramDir());
  EXPECT_EQ(Probe(log).IpTable().GetCount(), 0);
  EXPECT_EQ(Probe(log).TransformLine("<ipstart>1.0.0.1<ipend>[~area~]"), "1.0.0.1[-]");
  EXPECT_EQ(Probe(log).TransformLine("<ipstart>1.0.0.1<ipend>[~state~]"), "1.0.0.1[]");
}

// A stop asked while the worker reads a large library ends the read early; no pass runs
// with the part read, and the request log stays for the next start.
TEST(RequestLogLibrary, StopDuringTheLoadCutsItShortAndNoPassRuns) {
  qortest::TempInstall install;
  std::string library;
  for (int i = 0; i < 100000; ++i) library += std::to_string(16777216 + i * 256) + "|255|154|1002|0*";
  install.WriteProgramFile("iplib.db", library);
  install.WriteProgramFile("iis/log/iis.log", "a\t<ipstart>1.0.0.1<ipend>\t~area~\n");
  platform::StopToken stop;
  stop.RequestStop();
  CRequestLog stopped(install.ProgramDir(), &stop);
  EXPECT_EQ(Probe(stopped).IpTable().GetCount(), 0);
  EXPECT_EQ(stopped.ProcessPass(), CRequestLog::kStopped);
  EXPECT_EQ(install.ReadProgramFile("iis/log/iis.log"), "a\t<ipstart>1.0.0.1<ipend>\t~area~\n");
  EXPECT_EQ(install.ReadProgramFile("log/qor" + GetTodayText() + ".log"), "");

  CRequestLog whole(install.ProgramDir());
  EXPECT_EQ(Probe(whole).IpTable().GetCount(), 100000);
  EXPECT_EQ(Probe(whole).TransformLine("<ipstart>1.1.134.160<ipend>~area~"), "1.1.134.160中国-北京市");
}

// The one-walk transformation against the marker-by-marker one, on lines made of
// marker pieces, addresses, double-byte characters and stray bytes.
TEST_F(RequestLogTransform, OneWalkAgreesWithReplacingMarkerByMarker) {
  const std::vector<std::string> pieces = {
      "~area~", "~state~", "<ipstart>", "<ipend>", "~", "<", ">", "<ip", "start>", "end>", "~ar", "ea~", "~st",
      "ate~", "1.0.0.5", "2.0.0.9", "3.0.0.7", "9.9.9.9", "::ffff:1.0.0.5", "a", "p", "r", "\t", " ", "-",
      "中国", "\x81", "\x81~", "\x96|", "x"};
  std::mt19937 gen(9);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(1, 24);
  int differentPaths = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string line;
    for (int k = length(gen); k > 0; --k) line += pieces[pick(gen)];
    std::string want = Probe(*log_).TransformLineByReplacing(line);
    ASSERT_EQ(Probe(*log_).TransformLine(line), want) << line;
    if (want != line) ++differentPaths;
  }
  // The lines did exercise the replacements, not only the pass-through.
  EXPECT_GT(differentPaths, 5000);

  // Lines shaped as the filter module writes them, with a little noise.
  const std::vector<std::string> noise = {"", "", "", "~", "<", "a", "中国", "\x81", "~area~", "~state~", "<ipend>"};
  const std::vector<std::string> addresses = {"1.0.0.5", "2.0.0.9", "3.0.0.7", "9.9.9.9", "", "x", "1.0.0.a"};
  std::uniform_int_distribution<size_t> pickNoise(0, noise.size() - 1), pickAddress(0, addresses.size() - 1);
  std::uniform_int_distribution<int> coin(0, 2);
  for (int i = 0; i < 50000; ++i) {
    std::string line = noise[pickNoise(gen)] + "t\t区域\t" + noise[pickNoise(gen)] + "<ipstart>" +
                       addresses[pickAddress(gen)] + noise[pickNoise(gen)] + "<ipend>\t" +
                       (coin(gen) ? "~area~" : "~state~") + noise[pickNoise(gen)];
    ASSERT_EQ(Probe(*log_).TransformLine(line), Probe(*log_).TransformLineByReplacing(line)) << line;
  }
}

TEST_F(RequestLogTransform, LibraryWrittenLaterChangesNoLookup) {
  install_.WriteProgramFile("iplib.db", "16777216|255|81|0|0");
  EXPECT_EQ(Probe(*log_).TransformLine("<ipstart>1.0.0.5<ipend>~area~"), "1.0.0.5中国-北京市");
  // The next start of the worker reads it.
  CRequestLog restarted(install_.ProgramDir());
  EXPECT_EQ(Probe(restarted).TransformLine("<ipstart>1.0.0.5<ipend>~area~"), "1.0.0.5美国-");
}

// The pass's way over a block (lines in groups, their lookups made together) against
// the lines one by one, on blocks of random lines, line ends of both kinds included.
TEST_F(RequestLogTransform, BlockGivesTheLinesOneByOneGive) {
  const std::vector<std::string> pieces = {"~area~", "~state~", "<ipstart>", "<ipend>", "1.0.0.5", "2.0.0.9",
                                           "3.0.0.7", "9.9.9.9", "01.0.0.5", "x", "\t", "中国", "\x81", "~", "<",
                                           "\n", "\r\n", "1.0.0.255", "4.0.0.1"};
  std::mt19937 gen(11);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(0, 3000);
  for (int block = 0; block < 60; ++block) {
    // The first block holds a line with more marker bytes than the walk keeps for one.
    std::string content = block == 0 ? "t\t<ipstart>1.0.0.5<ipend>" + std::string(40, '~') + "~area~<<<<\n" : "";
    for (int k = length(gen); k > 0; --k) content += pieces[pick(gen)];
    std::string want;
    for (const std::string& line : Probe(*log_).TransformBatch(content)) want += line + "\n";
    std::string got = "kept";
    const size_t count = Probe(*log_).TransformLines(content, got);
    ASSERT_EQ(got, "kept" + want) << content;
    ASSERT_EQ(count, Probe(*log_).TransformBatch(content).size());
  }
}
