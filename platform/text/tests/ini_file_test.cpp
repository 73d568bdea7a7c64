#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

using plat::IniDocument;
using plat::IniFile;
using test_support::ReadFile;
using test_support::WriteFile;
using Names = std::vector<std::string>;

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

TEST_F(IniFileTest, EraseSectionRemovesAllItsLinesAndKeepsTheRestInPlace) {
  WriteFile(path_,
            "; exported scan list\n"
            "[Info]\nOwner = me ; not a comment\n\n"
            "[0]\nPoll=1\n; about slave 0\nInput=1\n\n"
            "[07]\nPoll=1\n"
            "[0]\nCOS=1\n"
            "garbage line\n");
  IniFile ini(path_);
  EXPECT_TRUE(ini.EraseSection("0"));
  EXPECT_EQ(ReadFile(path_),
            "; exported scan list\r\n"
            "[Info]\r\nOwner = me ; not a comment\r\n\r\n"
            "[07]\r\nPoll=1\r\n");
  EXPECT_EQ(ini.ReadString("Info", "Owner", ""), "me ; not a comment");
  EXPECT_FALSE(ini.SectionExists("0"));
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

TEST_F(IniFileTest, ReadsLfCrLfAndByteOrderMarkAlike) {
  const std::string variants[] = {
      "[A]\nKey=Value\n[B]\nN=1\n",
      "[A]\r\nKey=Value\r\n[B]\r\nN=1\r\n",
      "[A]\r\nKey=Value\n[B]\r\nN=1",
      "\xEF\xBB\xBF[A]\r\nKey=Value\r\n[B]\r\nN=1\r\n",
      "  [ A ]  \n\tKey\t=  Value \t\n[B]\nN = 1\n",
  };
  for (const std::string& text : variants) {
    SCOPED_TRACE(text);
    WriteFile(path_, text);
    IniFile ini(path_);
    EXPECT_EQ(ini.ReadString("A", "Key", "-"), "Value");
    EXPECT_EQ(ini.ReadInteger("B", "N", 0), 1);
    EXPECT_EQ(ini.ReadSections(), (Names{"A", "B"}));
  }
}

TEST_F(IniFileTest, RewritingKeepsEveryOtherLineAndTheByteOrderMark) {
  WriteFile(path_, "\xEF\xBB\xBF; note\n[A]\n  odd = spacing  \nno equals sign\n=no name\n[B]\nX=1");
  IniFile ini(path_);
  EXPECT_TRUE(ini.WriteString("B", "X", "2"));
  EXPECT_EQ(ReadFile(path_),
            "\xEF\xBB\xBF; note\r\n[A]\r\n  odd = spacing  \r\nno equals sign\r\n=no name\r\n[B]\r\nX=2\r\n");
  EXPECT_EQ(ini.ReadSection("A"), (Names{"odd"}));
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
  EXPECT_EQ(ReadFile(path_), "[7]\r\nPoll=1\r\n[8]\r\n; only a comment\r\n[9]\r\nPoll=0\r\n");
}

TEST_F(IniFileTest, NewKeyGoesBeforeTheBlankLinesThatEndItsSection) {
  WriteFile(path_, "[A]\r\nX=1\r\n\r\n\r\n[B]\r\nY=1\r\n");
  IniFile ini(path_);
  EXPECT_TRUE(ini.WriteString("A", "Z", "2"));
  EXPECT_EQ(ReadFile(path_), "[A]\r\nX=1\r\nZ=2\r\n\r\n\r\n[B]\r\nY=1\r\n");
}

TEST_F(IniFileTest, RepeatedSectionsAndKeysReadTheFirst) {
  WriteFile(path_, "[A]\nX=first\nX=second\n[B]\n[a]\nX=third\nY=4\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("A", "X", ""), "first");
  EXPECT_EQ(ini.ReadInteger("A", "Y", 0), 4);
  EXPECT_EQ(ini.ReadSection("A"), (Names{"X", "Y"}));
  EXPECT_EQ(ini.ReadSections(), (Names{"A", "B"}));
  EXPECT_TRUE(ini.DeleteKey("a", "x"));
  EXPECT_FALSE(ini.ValueExists("A", "X")) << "a deleted key must not come back from a later copy";
  EXPECT_EQ(ReadFile(path_), "[A]\r\n[B]\r\n[a]\r\nY=4\r\n");
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
  WriteFile(path_, "[S]\nA=$1\nB=0x1F\nC= -7 \nD=abc\nE=\nF=1 2\nG=$100000000\n");
  IniFile ini(path_);
  const struct {
    const char* key;
    std::int32_t value;
  } cases[] = {{"A", 1}, {"B", 31}, {"C", -7}, {"D", 99}, {"E", 99}, {"F", 99}, {"G", 99}, {"Missing", 99}};
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

TEST_F(IniFileTest, FailedWritesAreReported) {
  {
    IniFile ini(dir_.File("no-such-dir/scan.EEP"));
    EXPECT_FALSE(ini.WriteString("0", "Poll", "1"));
    EXPECT_NE(ini.LastError().find("no-such-dir/scan.EEP: "), std::string::npos) << ini.LastError();
  }
  {
    // An existing path that cannot be read (here a directory) is never replaced.
    const std::string folder = dir_.File("folder.EEP");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    for (const IniFile::Mode mode : {IniFile::Mode::kWriteThrough, IniFile::Mode::kBuffered}) {
      IniFile ini(folder, mode);
      EXPECT_FALSE(ini.WriteString("0", "Poll", "1"));
      EXPECT_FALSE(ini.EraseSection("0"));
      EXPECT_FALSE(ini.LastError().empty());
    }
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
  }
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

TEST(IniDocument, TextOfAParsedDocumentGivesBackItsLines) {
  const std::string text = "x\r\n[a]\r\n k = v \r\n;c\r\n\r\n[b\r\n";
  EXPECT_EQ(IniDocument::Parse(text).Text(), text);
  EXPECT_EQ(IniDocument::Parse("").Text(), "");
}

}  // namespace
