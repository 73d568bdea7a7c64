#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "temp_dir.h"

namespace {

using plat::IniDocument;
using plat::IniFile;
using test_support::ReadFile;
using test_support::WriteFile;
using Names = std::vector<std::string>;
using namespace std::string_literals;

std::string Bytes(const std::string& text) { return text; }
std::string Utf8Marked(const std::string& text) { return "\xEF\xBB\xBF" + text; }
using test_support::Utf16;

class IniFileTest : public ::testing::Test {
 protected:
  test_support::TempDir dir_;
  std::string path_ = dir_.File("scan.EEP");
};

TEST_F(IniFileTest, NewKeysGoToTheEndOfTheirSectionAndOldOnesChangeInPlace) {
  IniFile ini(path_);
  // A slave with Poll (8, 4) and then COS (2, 2), as the EEPROM export writes it.
  EXPECT_TRUE(ini.WriteString("5", "Poll", "1"));
  EXPECT_TRUE(ini.WriteInteger("5", "Input", 8));
  EXPECT_TRUE(ini.WriteInteger("5", "Output", 4));
  EXPECT_TRUE(ini.WriteString("5", "COS", "1"));
  EXPECT_TRUE(ini.WriteInteger("5", "Input", 2));
  EXPECT_TRUE(ini.WriteInteger("5", "Output", 2));
  EXPECT_TRUE(ini.WriteString("12", "Strobe", "1"));
  EXPECT_EQ(ReadFile(path_),
            "[5]\r\nPoll=1\r\nInput=2\r\nOutput=2\r\nCOS=1\r\n"
            "\r\n[12]\r\nStrobe=1\r\n");
  EXPECT_EQ(ini.ReadSection("5"), (Names{"Poll", "Input", "Output", "COS"}));
  EXPECT_EQ(ini.ReadSections(), (Names{"5", "12"}));
  EXPECT_TRUE(ini.LastError().empty());
}

// The section's header, keys and blank lines go from every copy; its comments
// and lines of no known form stay where they were.
TEST_F(IniFileTest, EraseSectionRemovesTheKeysOfEveryCopyAndKeepsItsComments) {
  WriteFile(path_,
            "; exported scan list\r\n"
            "[Info]\r\nOwner = me ; not a comment\r\n\r\n"
            "[0]\r\nPoll=1\r\n; about slave 0\r\nInput=1\r\n\r\n"
            "[07]\r\nPoll=1\r\n"
            "[0]\r\nCOS=1\r\n"
            "garbage line\r\n");
  IniFile ini(path_);
  EXPECT_TRUE(ini.EraseSection("0"));
  const std::string erased =
      "; exported scan list\r\n"
      "[Info]\r\nOwner = me ; not a comment\r\n\r\n"
      "; about slave 0\r\n"
      "[07]\r\nPoll=1\r\n"
      "garbage line\r\n";
  EXPECT_EQ(ReadFile(path_), erased);
  EXPECT_EQ(ini.ReadString("Info", "Owner", ""), "me ; not a comment");
  EXPECT_FALSE(ini.SectionExists("0"));
  // Erasing and writing the section again, as every export does, adds no lines.
  for (int round = 0; round < 3; ++round) {
    EXPECT_TRUE(ini.EraseSection("0"));
    EXPECT_TRUE(ini.WriteString("0", "Poll", "1"));
    EXPECT_EQ(ReadFile(path_), erased + "\r\n[0]\r\nPoll=1\r\n");
  }
}

TEST_F(IniFileTest, NamesMatchWithoutRegardToCaseAndKeepTheirSpelling) {
  WriteFile(path_, "[General]\r\nSizeX=200\r\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("GENERAL", "sizex", 0), 200);
  EXPECT_TRUE(ini.ValueExists("general", "SIZEX"));
  EXPECT_TRUE(ini.SectionExists("gEnErAl"));
  EXPECT_TRUE(ini.WriteInteger("general", "SIZEX", 300));
  EXPECT_TRUE(ini.WriteInteger(" General ", " SizeY ", 1));  // surrounding blanks are no part of a name
  EXPECT_EQ(ReadFile(path_), "[General]\r\nSizeX=300\r\nSizeY=1\r\n");
  EXPECT_TRUE(ini.DeleteKey("GENERAL", "sizey"));
  EXPECT_EQ(ReadFile(path_), "[General]\r\nSizeX=300\r\n");
  // Only A to Z fold: other bytes must match exactly.
  EXPECT_TRUE(ini.WriteString("\xC4rger", "k", "1"));
  EXPECT_FALSE(ini.SectionExists("\xE4rger"));
}

// Files as other programs write them, all saying the same.
TEST_F(IniFileTest, ReadsEveryLineEndAndEncodingAlike) {
  const struct {
    const char* label;
    std::string bytes;
  } files[] = {
      {"LF", "[A]\nKey=Value\n[B]\nN=1\n"},
      {"CR LF", "[A]\r\nKey=Value\r\n[B]\r\nN=1\r\n"},
      {"CR alone", "[A]\rKey=Value\r[B]\rN=1\r"},
      {"mixed, no last end", "[A]\r\nKey=Value\n[B]\rN=1"},
      {"UTF-8 mark", "\xEF\xBB\xBF[A]\r\nKey=Value\r\n[B]\r\nN=1\r\n"},
      {"UTF-16LE mark, CR LF", Utf16("[A]\r\nKey=Value\r\n[B]\r\nN=1\r\n")},
      {"UTF-16LE mark, CR alone", Utf16("[A]\rKey=Value\r[B]\rN=1")},
      {"blanks", "  [ A ]  \n\tKey\t=  Value \t\n[B]\nN = 1\n"},
      {"quotes", "[A]\nKey=\"Value\"\n[B]\nN='1'\n"},
      {"lower case", "[a]\nkey=Value\n[b]\nn=1\n"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.label);
    WriteFile(path_, f.bytes);
    IniFile ini(path_);
    EXPECT_EQ(ini.ReadString("A", "Key", "-"), "Value");
    EXPECT_EQ(ini.ReadInteger("B", "N", 0), 1);
    EXPECT_TRUE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadSections().size(), 2u);
    EXPECT_EQ(ini.ReadSection("a").size(), 1u);
  }
}

TEST(IniDocument, OnePairOfMatchingQuotesIsNoPartOfAValue) {
  const struct {
    const char* line;
    const char* value;
  } cases[] = {
      {R"(K="1")", "1"},       {R"(K='8')", "8"},       {R"(K = " a b " )", " a b "}, {R"(K="")", ""},
      {R"(K=")", R"(")"},      {R"(K="1')", R"("1')"},  {R"(K="x"y")", R"(x"y)"},     {R"(K='''')", "''"},
      {R"(K=1")", R"(1")"},    {R"(K="1)", R"("1)"},    {R"(K=a "b")", R"(a "b")"},
  };
  for (const auto& c : cases) {
    const IniDocument doc = IniDocument::Parse(std::string("[S]\n") + c.line + "\n");
    EXPECT_EQ(doc.Value("S", "K"), c.value) << c.line;
  }
}

// A header without its "]" still opens its section: its keys never fall into
// the section above it.
TEST(IniDocument, AHeaderWithoutItsClosingBracketOpensItsSection) {
  const IniDocument doc =
      IniDocument::Parse("[1]\r\nPoll=1\r\n[3\r\nCOS=1\r\n[ 4 \r\nStrobe=1\r\n[5]x]\r\nCyclic=1\r\n");
  EXPECT_EQ(doc.SectionKeys("1"), (Names{"Poll"}));
  EXPECT_EQ(doc.Value("3", "COS"), "1");
  EXPECT_EQ(doc.Value("4", "Strobe"), "1");
  EXPECT_EQ(doc.Value("5", "Cyclic"), "1");
  EXPECT_EQ(doc.SectionNames(), (Names{"1", "3", "4", "5"}));
}

TEST(IniDocument, UTF16TextReadsAsUTF8AndGoesBackAsUTF16) {
  // A section named "Gr<o umlaut><sharp s>e" and a value with U+1F600, a surrogate pair.
  const std::string bytes = "\xFF\xFE[\0G\0r\0\xF6\0\xDF\0e\0]\0\r\0\n\0K\0=\0\x3D\xD8\x00\xDE\r\0\n\0"s;
  const std::string section = "Gr\xC3\xB6\xC3\x9F" "e";
  IniDocument doc = IniDocument::Parse(bytes);
  EXPECT_EQ(doc.GetEncoding(), IniDocument::Encoding::kUtf16LE);
  EXPECT_EQ(doc.SectionNames(), (Names{section}));
  EXPECT_EQ(doc.Value(section, "K"), "\xF0\x9F\x98\x80");
  EXPECT_TRUE(doc.SetValue(section, "K", "\xC3\xA9"));
  EXPECT_EQ(doc.Text(), "\xFF\xFE[\0G\0r\0\xF6\0\xDF\0e\0]\0\r\0\n\0K\0=\0\xE9\0\r\0\n\0"s);
  // What UTF-16 cannot hold is refused, and nothing changes.
  EXPECT_FALSE(doc.SetValue("S", "K", "\xE9"));
  EXPECT_FALSE(doc.SetValue("S", "\xFF", "1"));
  EXPECT_EQ(doc.SectionNames().size(), 1u);
}

TEST_F(IniFileTest, RewritingKeepsEveryOtherLineAndTheByteOrderMark) {
  WriteFile(path_, "\xEF\xBB\xBF; note\n[A]\n  odd = spacing  \nno equals sign\n=no name\n[B]\nX=1");
  IniFile ini(path_);
  EXPECT_TRUE(ini.WriteString("B", "X", "2"));
  EXPECT_EQ(ReadFile(path_), "\xEF\xBB\xBF; note\n[A]\n  odd = spacing  \nno equals sign\n=no name\n[B]\nX=2");
  EXPECT_TRUE(ini.WriteString("B", "Y", "3"));
  EXPECT_EQ(ReadFile(path_), "\xEF\xBB\xBF; note\n[A]\n  odd = spacing  \nno equals sign\n=no name\n[B]\nX=2\nY=3\n");
  EXPECT_EQ(ini.ReadSection("A"), (Names{"odd"}));
}

// The export's rewrite of a file as other programs wrote it: the file keeps
// its encoding and its line ends.
TEST_F(IniFileTest, ARewrittenFileKeepsItsEncodingAndLineEnds) {
  const struct {
    const char* label;
    std::string (*encode)(const std::string&);
    const char* end;
  } files[] = {
      {"LF", Bytes, "\n"},
      {"CR LF", Bytes, "\r\n"},
      {"CR alone", Bytes, "\r"},
      {"UTF-8 mark", Utf8Marked, "\r\n"},
      {"UTF-16LE, CR LF", Utf16, "\r\n"},
      {"UTF-16LE, LF", Utf16, "\n"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.label);
    const auto lines = [&](std::initializer_list<const char*> texts) {
      std::string text;
      for (const char* t : texts) text += std::string(t) + f.end;
      return f.encode(text);
    };
    WriteFile(path_, lines({"[5]", "Poll=1", "; keep me", "Input=2", "", "[Other]", "X=1"}));
    IniFile ini(path_, IniFile::Mode::kBuffered);
    EXPECT_TRUE(ini.EraseSection("5"));
    EXPECT_TRUE(ini.WriteString("7", "COS", "1"));
    EXPECT_TRUE(ini.WriteString("Other", "X", "2"));
    EXPECT_TRUE(ini.Flush());
    EXPECT_EQ(ReadFile(path_), lines({"; keep me", "[Other]", "X=2", "", "[7]", "COS=1"}));
  }
}

TEST_F(IniFileTest, ASectionExistsOnlyWhenItHoldsAKey) {
  WriteFile(path_, "[7]\n[8]\n; only a comment\n[9]\nPoll=0\n");
  IniFile ini(path_);
  EXPECT_FALSE(ini.SectionExists("7"));
  EXPECT_FALSE(ini.SectionExists("8"));
  EXPECT_TRUE(ini.SectionExists("9"));
  EXPECT_FALSE(ini.SectionExists("10"));
  EXPECT_EQ(ini.ReadSections(), (Names{"7", "8", "9"}));
  EXPECT_TRUE(ini.ReadSection("7").empty());
  // A new key of a key-less section goes right under its line.
  EXPECT_TRUE(ini.WriteString("7", "Poll", "1"));
  EXPECT_EQ(ReadFile(path_), "[7]\nPoll=1\n[8]\n; only a comment\n[9]\nPoll=0\n");
}

TEST_F(IniFileTest, NewKeyGoesBeforeTheBlankLinesThatEndItsSection) {
  WriteFile(path_, "[A]\r\nX=1\r\n\r\n\r\n[B]\r\nY=1\r\n");
  IniFile ini(path_);
  EXPECT_TRUE(ini.WriteString("A", "Z", "2"));
  EXPECT_EQ(ReadFile(path_), "[A]\r\nX=1\r\nZ=2\r\n\r\n\r\n[B]\r\nY=1\r\n");
}

// Only the first copy of a section counts, for reading and for writing.
TEST_F(IniFileTest, RepeatedSectionsAndKeysReadTheFirst) {
  WriteFile(path_, "[A]\nX=first\nX=second\n[B]\n[a]\nX=third\nY=4\n[C]\n[c]\nZ=1\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("A", "X", ""), "first");
  EXPECT_FALSE(ini.ValueExists("A", "Y")) << "a later copy is not read";
  EXPECT_EQ(ini.ReadSection("A"), (Names{"X"}));
  EXPECT_EQ(ini.ReadSections(), (Names{"A", "B", "C"}));
  EXPECT_FALSE(ini.SectionExists("C")) << "its first copy holds no key";
  EXPECT_TRUE(ini.WriteString("a", "Y", "5"));
  EXPECT_TRUE(ini.DeleteKey("a", "x"));
  EXPECT_FALSE(ini.ValueExists("A", "X")) << "a deleted key must not come back from a later copy";
  EXPECT_EQ(ini.ReadInteger("A", "Y", 0), 5);
  EXPECT_EQ(ReadFile(path_), "[A]\nY=5\n[B]\n[a]\nX=third\nY=4\n[C]\n[c]\nZ=1\n");
}

TEST_F(IniFileTest, AMissingFileReadsEmptyAndComesWithTheFirstWrite) {
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("0", "Input", "0"), "0");
  EXPECT_EQ(ini.ReadInteger("0", "Poll", -3), -3);
  EXPECT_FALSE(ini.SectionExists("0"));
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_TRUE(ini.EraseSection("0"));
  EXPECT_TRUE(ini.DeleteKey("0", "Poll"));
  struct stat st {};
  EXPECT_NE(::stat(path_.c_str(), &st), 0) << "nothing but a write may create the file";

  EXPECT_TRUE(ini.WriteString("0", "Poll", "1"));
  EXPECT_EQ(ReadFile(path_), "[0]\r\nPoll=1\r\n");
}

TEST_F(IniFileTest, ReadIntegerUsesTheIntegerRules) {
  WriteFile(path_, "[S]\nA=$1\nB=0x1F\nC= -7 \nD=abc\nE=\nF=1 2\nG=$100000000\nH=\"0x1\"\n");
  IniFile ini(path_);
  const struct {
    const char* key;
    std::int32_t value;
  } cases[] = {{"A", 1},  {"B", 31}, {"C", -7}, {"D", 99},       {"E", 99},
               {"F", 99}, {"G", 99}, {"H", 1},  {"Missing", 99}};
  for (const auto& c : cases) EXPECT_EQ(ini.ReadInteger("S", c.key, 99), c.value) << c.key;
}

TEST_F(IniFileTest, RefusesWhatCouldNotBeReadBackAndLeavesTheFileAlone) {
  WriteFile(path_, "[S]\r\nK=1\r\n");
  IniFile ini(path_);
  const struct {
    std::string section, key, value;
  } refused[] = {
      {"", "K", "v"},         {"  ", "K", "v"},          {"a]b", "K", "v"},       {"a\nb", "K", "v"},
      {"S", "", "v"},         {"S", "a=b", "v"},         {"S", ";K", "v"},        {"S", "[K", "v"},
      {"S", "K\r", "v"},      {"S", "K", "two\nlines"},  {"S", "K", "cr\rhere"},  {"S", "K", std::string("z\0", 2)},
  };
  for (const auto& r : refused) {
    EXPECT_FALSE(ini.WriteString(r.section, r.key, r.value)) << r.section << "/" << r.key << "/" << r.value;
    EXPECT_FALSE(ini.LastError().empty());
  }
  EXPECT_EQ(ReadFile(path_), "[S]\r\nK=1\r\n");
}

// What stands in the file's place and may not be replaced: reads see nothing
// (and never wait), writes fail with the reason, and it stays as it was.
TEST_F(IniFileTest, APathThatMayNotBeReplacedIsReportedAndKept) {
  const std::string folder = dir_.File("folder.EEP");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const std::string fifo = dir_.File("fifo.EEP");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string read_only = dir_.File("read-only.EEP");
  WriteFile(read_only, "[3]\r\nPoll=1\r\n");
  ASSERT_EQ(::chmod(read_only.c_str(), 0444), 0);

  const struct {
    const char* label;
    std::string path;
    const char* reason;
    bool readable;
  } cases[] = {
      {"missing folder", dir_.File("no-such-dir/scan.EEP"), "No such file or directory", false},
      {"folder", folder, "Is a directory", false},
      {"FIFO", fifo, "Not a regular file", false},
      {"read-only file", read_only, "Permission denied", true},
  };
  // Should a read ever wait for a FIFO's writer, the test ends here instead of hanging.
  ::alarm(30);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    for (const IniFile::Mode mode : {IniFile::Mode::kWriteThrough, IniFile::Mode::kBuffered}) {
      IniFile ini(c.path, mode);
      EXPECT_EQ(ini.SectionExists("3"), c.readable);
      const bool written = ini.WriteString("3", "COS", "1") && ini.EraseSection("3") && ini.Flush();
      EXPECT_FALSE(written);
      EXPECT_EQ(ini.LastError(), c.path + ": " + c.reason);
    }
  }
  ::alarm(0);
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(::stat(read_only.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(ReadFile(read_only), "[3]\r\nPoll=1\r\n");
  std::string text;
  EXPECT_EQ(plat::ReadWholeFile("/dev/null", text), plat::kNotARegularFile);
  EXPECT_EQ(plat::ErrorText(plat::kNotARegularFile), "Not a regular file");
}

TEST_F(IniFileTest, BufferedChangesReachTheFileOnlyWithFlush) {
  WriteFile(path_, "[Keep]\r\nX=1\r\n[3]\r\nPoll=1\r\n");
  IniFile ini(path_, IniFile::Mode::kBuffered);
  for (int mac = 0; mac < 64; ++mac) {
    if (ini.SectionExists(std::to_string(mac))) {
      EXPECT_TRUE(ini.EraseSection(std::to_string(mac)));
    }
  }
  EXPECT_TRUE(ini.WriteString("9", "Cyclic", "1"));
  EXPECT_EQ(ini.ReadString("9", "Cyclic", ""), "1");
  EXPECT_EQ(ReadFile(path_), "[Keep]\r\nX=1\r\n[3]\r\nPoll=1\r\n");
  EXPECT_TRUE(ini.Flush());
  EXPECT_EQ(ReadFile(path_), "[Keep]\r\nX=1\r\n\r\n[9]\r\nCyclic=1\r\n");

  IniFile nowhere(dir_.File("gone/x.EEP"), IniFile::Mode::kBuffered);
  EXPECT_TRUE(nowhere.Flush()) << "nothing to write yet";
  EXPECT_TRUE(nowhere.WriteString("1", "Poll", "1"));
  EXPECT_FALSE(nowhere.Flush());
  EXPECT_FALSE(nowhere.LastError().empty());
}

TEST_F(IniFileTest, WriteThroughSeesOtherWritersChanges) {
  IniFile a(path_);
  IniFile b(path_);
  EXPECT_TRUE(a.WriteString("S", "A", "1"));
  EXPECT_TRUE(b.WriteString("S", "B", "2"));
  EXPECT_TRUE(a.WriteString("S", "C", "3"));
  EXPECT_EQ(ReadFile(path_), "[S]\r\nA=1\r\nB=2\r\nC=3\r\n");
}

TEST_F(IniFileTest, AWrittenFileKeepsItsPermissions) {
  WriteFile(path_, "[S]\r\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  IniFile ini(path_);
  EXPECT_TRUE(ini.WriteString("S", "K", "v"));
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniDocument, TextOfAParsedDocumentGivesBackItsBytes) {
  const std::string texts[] = {
      "",
      "x\r\n[a]\r\n k = v \r\n;c\r\n\r\n[b\r\n",
      "[a]\nk=v",
      "\r\r\n\n\r",
      "\xEF\xBB\xBF[a]\rk=\"v\"\r",
      Utf16("[a]\r\nk=v\r\n"),
      Utf16("[a]\nk=v") + "\x01",                                    // an odd last byte
      "\xFF\xFE\x00\xD8[\0\x00\xDC\x00\xDC"s,                    // surrogates that pair with nothing
      "\xFF\xFE"s,
      "[a]\0\nk=\xFF\xFE\n"s,
  };
  for (const std::string& text : texts) EXPECT_EQ(IniDocument::Parse(text).Text(), text);
}

}  // namespace
