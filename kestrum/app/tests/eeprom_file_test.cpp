// The EEPROM file: the master's scan list exported to an INI file with one
// section per slave, and imported back through the add command.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "list_reads.h"
#include "temp_dir.h"

namespace {

using namespace vcl;
using namespace kestrum::config_testing;
using dnsim::Op;
using plat::BoxKind;
using plat::testing::DialogKind;

class EEPROMFile : public KestrumTest {
 protected:
  EEPROMFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrum-eep-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary directory";
    dir_ = pattern;
  }
  ~EEPROMFile() override { std::filesystem::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  // The names in the test's folder: a replaced file leaves no temporary one.
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  void Export(const std::string& path) {
    ui.ExpectSaveDialog(path);
    Click(Form_Main->SpeedButton_ExportEEPROM);
  }
  void Import(const std::string& path) {
    ui.ExpectOpenDialog(path);
    Click(Form_Main->SpeedButton_ImportEEPROM);
  }

 private:
  std::filesystem::path dir_;
};

// A file that someone keeps beside the scan list: a section of its own, a
// section whose name only looks like a MAC ID, and two slaves of an older
// export (5 still configured, 40 no longer).
constexpr const char* kOldFile =
    "[Notes]\r\nOwner=Lab 3\r\n\r\n"
    "[5]\r\nPoll=1\r\nInput=9\r\nOutput=9\r\n\r\n"
    "[07]\r\nCyclic=1\r\n\r\n"
    "[40]\r\nCOS=1\r\nInput=1\r\nOutput=1\r\n";

const std::vector<dnsim::ScanEntry> kScanList = {
    {5, 1, 8, 4},   // Poll
    {12, 2, 1, 0},  // Strobe
    {7, 0, 0, 0},   // a device without a connection: written nowhere
    {5, 3, 2, 2},   // COS: the slave's last lengths stand
    {70, 1, 1, 1},  // no slave has this MAC ID: skipped
    {3, 9, 1, 1},   // a kind the program does not know: skipped, no section for it
    {12, 1, 3, 3},  // Poll
};

// What the export makes of kOldFile and kScanList: the other sections in
// place, the slaves' sections anew at the end, every line ending in CR LF.
constexpr const char* kExported =
    "[Notes]\r\nOwner=Lab 3\r\n\r\n"
    "[07]\r\nCyclic=1\r\n\r\n"
    "[5]\r\nPoll=1\r\nInput=2\r\nOutput=2\r\nCOS=1\r\n\r\n"
    "[12]\r\nStrobe=1\r\nInput=3\r\nOutput=3\r\nPoll=1\r\n";

// The text with its CR LF line ends replaced by `ends`.
std::string WithLineEnds(std::string text, const std::string& ends) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + ends.size())) {
    text.replace(at, 2, ends);
  }
  return text;
}
std::string LineEndsName(const ::testing::TestParamInfo<const char*>& info) {
  const std::string ends = info.param;
  return ends == "\r\n" ? "CRLF" : ends == "\r" ? "CR" : "LF";
}

using test_support::Utf16;

// ---------------------------------------------------------------- export
// A file last written on this system or on another: read either way, written
// back with the line ends it has.
class ExportLineEnds : public EEPROMFile, public ::testing::WithParamInterface<const char*> {};
INSTANTIATE_TEST_SUITE_P(Ends, ExportLineEnds, ::testing::Values("\n", "\r\n", "\r"), LineEndsName);

TEST_P(ExportLineEnds, ExportRewritesTheSlavesSectionsAndKeepsEveryOtherSectionInPlace) {
  StartWithScanList(kScanList);
  const std::string path = PathOf("plant.EEP");
  Write(path, WithLineEnds(kOldFile, GetParam()));
  Export(path);

  EXPECT_EQ(Read(path), WithLineEnds(kExported, GetParam()));
  EXPECT_THAT(FolderNames(), ElementsAre("plant.EEP")) << "the file is replaced whole, nothing left beside it";
  EXPECT_THAT(ScanListCalls(), ElementsAre("GetScanList board=0"));
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_ExportEEPROMClick"));
  ASSERT_EQ(ui.Dialogs().size(), 1u);
  const plat::testing::DialogRecord& dialog = ui.Dialogs()[0];
  EXPECT_EQ(dialog.kind, DialogKind::Save);
  EXPECT_EQ(dialog.title, "Save the Information of EEPROM");
  EXPECT_EQ(dialog.filter, "EEP File|*.EEP");
  EXPECT_EQ(dialog.defaultExt, "EEP");
  EXPECT_TRUE(dialog.options.Contains(plat::ofOverwritePrompt));
}

// A file the original program wrote through the Windows profile functions:
// UTF-16 with its mark, values in quotes, comments in the slaves' sections.
// It stays UTF-16 with CR LF, and the comments stay.
TEST_F(EEPROMFile, ExportOverAUnicodeFileWithQuotesAndCommentsKeepsItsEncodingAndComments) {
  StartWithScanList(kScanList);
  const std::string path = PathOf("plant.EEP");
  Write(path, Utf16("[Notes]\r\nOwner=\"Lab 3\"\r\n\r\n"
                    "[5]\r\n; the press\r\nPoll=\"1\"\r\nInput=\"9\"\r\nOutput=\"9\"\r\n\r\n"
                    "[40]\r\nCOS=\"1\"\r\n"));
  Export(path);
  EXPECT_EQ(Read(path), Utf16("[Notes]\r\nOwner=\"Lab 3\"\r\n\r\n"
                              "; the press\r\n\r\n"
                              "[5]\r\nPoll=1\r\nInput=2\r\nOutput=2\r\nCOS=1\r\n\r\n"
                              "[12]\r\nStrobe=1\r\nInput=3\r\nOutput=3\r\nPoll=1\r\n"));
}

TEST_F(EEPROMFile, ExportOfAnEmptyScanListToANewFileNamedWithoutExtensionWritesNothing) {
  StartWithScanList({});
  Export(PathOf("plant"));
  EXPECT_FALSE(std::filesystem::exists(PathOf("plant")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("plant.EEP"))) << "nothing to write, no file made";

  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.scan_list = {{3, 4, 6, 6}}; });
  ActivateBoard(0);
  Export(PathOf("plant"));
  EXPECT_EQ(Read(PathOf("plant.EEP")), "[3]\r\nCyclic=1\r\nInput=6\r\nOutput=6\r\n");
}

TEST_F(EEPROMFile, AFailedReadOfTheScanListLeavesTheFileUntouched) {
  StartWithScanList(kScanList);
  const std::string path = PathOf("plant.EEP");
  Write(path, kOldFile);
  dnsim::Sim().InjectFault(Op::GetScanList, 10023, 1);
  ExpectBox("Error!! Can not read data from the EEPROM.").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Export(path);
  EXPECT_EQ(Read(path), kOldFile);
}

TEST_F(EEPROMFile, AFailedWriteIsReported) {
  StartWithScanList(kScanList);
  const std::string path = PathOf("gone/plant.EEP");
  ExpectBox("Error!! Can not write the file " + path + ": No such file or directory")
      .Caption("Kestrum")
      .Flags(MB_OK | MB_ICONERROR);
  Export(path);
  EXPECT_FALSE(std::filesystem::exists(path));
}

// What is in the place of the chosen file cannot be read: it is neither
// replaced nor emptied, whether or not the scan list has anything to write.
TEST_F(EEPROMFile, AnUnreadableFileInTheChosenPlaceIsReportedAndLeftAlone) {
  const struct {
    const char* label;
    std::vector<dnsim::ScanEntry> scan_list;
  } cases[] = {{"slaves to write", kScanList}, {"nothing to write", {}}};
  StartWithScanList({});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ConfigureNetwork([&](dnsim::NetworkConfig& n) { n.scan_list = c.scan_list; });
    ActivateBoard(0);
    const std::string path = PathOf("plant.EEP");
    std::filesystem::create_directory(path);
    Write(path + "/kept", "x");
    ExpectBox("Error!! Can not write the file " + path + ": Is a directory").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
    Export(path);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(Read(path + "/kept"), "x");
    EXPECT_THAT(FolderNames(), ElementsAre("plant.EEP"));
  }
}

// A file the user may not write, and things in a file's place that are no
// file: the export says why and leaves them as they are (a FIFO without a
// writer must not stop the program either).
TEST_F(EEPROMFile, ExportOntoAReadOnlyFileOrAFifoIsReportedAndLeavesItAlone) {
  StartWithScanList(kScanList);
  const std::string read_only = PathOf("kept.EEP");
  Write(read_only, kOldFile);
  std::filesystem::permissions(read_only, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  const std::string fifo = PathOf("pipe.EEP");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ExpectBox("Error!! Can not write the file " + read_only + ": Permission denied").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Export(read_only);
  ExpectBox("Error!! Can not write the file " + fifo + ": Not a regular file").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Export(fifo);

  EXPECT_EQ(Read(read_only), kOldFile);
  EXPECT_EQ(std::filesystem::status(read_only).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_THAT(FolderNames(), ElementsAre("kept.EEP", "pipe.EEP"));
}

// The driver's answer as it comes, whatever it is: a count beyond the lists'
// room reads no further than the room, and a failed read that still wrote
// entries writes nothing.
TEST_F(EEPROMFile, ExportTrustsNoCountBeyondTheListsAndNoFailedRead) {
  StartWithListReadsThroughTheTest();
  // An empty box: no message box is expected.
  const auto check = [&](const char* label, const ScriptedRead& read, const char* box, const std::string& file) {
    SCOPED_TRACE(label);
    const std::string path = PathOf("plant.EEP");
    Write(path, kOldFile);
    ScriptScanListReads(read);
    if (*box) ExpectBox(box).Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
    Export(path);
    EXPECT_EQ(Read(path), file);
  };
  check("count 300", {0, FullRoomOf(5), 300}, "",
        "[Notes]\r\nOwner=Lab 3\r\n\r\n[07]\r\nCyclic=1\r\n\r\n[5]\r\nPoll=1\r\nInput=199\r\nOutput=199\r\n");
  check("failed read with entries", {1002, {{5, 1, 8, 4}, {12, 3, 2, 2}}}, "Error!! Can not read data from the EEPROM.",
        kOldFile);
}

TEST_F(EEPROMFile, ExportAndImportRefuseWithoutABoardAndDoNothingWhenCancelled) {
  StartKestrum(driver::kKindMerrow);
  ClearTraces();
  for (TSpeedButton* b : {Form_Main->SpeedButton_ExportEEPROM, Form_Main->SpeedButton_ImportEEPROM}) {
    ExpectBox("Please Active Board First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
    Click(b);
  }
  EXPECT_THAT(TraceTexts(), IsEmpty());
  EXPECT_THAT(ui.Dialogs(), IsEmpty());

  ActivateBoard(0);
  ui.ExpectSaveDialog(std::nullopt);
  Click(Form_Main->SpeedButton_ExportEEPROM);
  ui.ExpectOpenDialog(std::nullopt);
  Click(Form_Main->SpeedButton_ImportEEPROM);
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_ExportEEPROMClick", "SpeedButton_ImportEEPROMClick"));
  ASSERT_EQ(ui.Dialogs().size(), 2u);
  EXPECT_EQ(ui.Dialogs()[1].title, "Select a EEPROMfile");
  EXPECT_EQ(ui.Dialogs()[1].filter, "EEP File|*.EEP");
  EXPECT_EQ(ui.Dialogs()[1].defaultExt, "");
}

// ---------------------------------------------------------------- import
TEST_F(EEPROMFile, ImportOfAnExportRestoresTheScanListInSectionOrderOneBoxPerConnection) {
  StartWithScanList({{20, 1, 1, 1}});
  const std::string path = PathOf("plant.EEP");
  Write(path, kExported);
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  for (const char* box : {"Device 5 has been added successfully.", "Device 5 has been added successfully.",
                          "Device 12 has been added successfully.", "Device 12 has been added successfully."}) {
    ExpectBox(box).Caption("Kestrum").Flags(MB_OK | MB_ICONINFORMATION);
  }
  Import(path);

  // The file keeps one pair of lengths per slave.
  EXPECT_EQ(dnsim::Sim().ScanList(), (std::vector<dnsim::ScanEntry>{
                                         {5, 1, 2, 2, 200}, {5, 3, 2, 2, 200}, {12, 1, 3, 3, 200}, {12, 2, 3, 3, 200}}));
  EXPECT_THAT(TreeLines(Form_Main->TreeView_CurrentConfig),
              ElementsAre("Device 5 [2]", "  Poll ( Input 2 , Output 2 ) [3]", "  COS ( Input 2 , Output 2 ) [5]",
                          "Device 12 [2]", "  Poll ( Input 3 , Output 3 ) [3]", "  Strobe ( Input 3 ) [4]"));
  EXPECT_EQ(ScanListCalls().front(), "ClearAllConfig board=0");
  EXPECT_EQ(Read(path), kExported) << "import only reads";
  EXPECT_EQ(Form_Main->Edit_AddDeviceID->Text, "12");
  EXPECT_EQ(Form_Main->Edit_AddType->Text, "Strobe");
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_ImportEEPROMClick", "SpeedButton_AddDeviceClick",
                                        "SpeedButton_AddDeviceClick", "SpeedButton_AddDeviceClick",
                                        "SpeedButton_AddDeviceClick"));
}

class ImportLineEnds : public EEPROMFile, public ::testing::WithParamInterface<const char*> {};
INSTANTIATE_TEST_SUITE_P(Ends, ImportLineEnds, ::testing::Values("\n", "\r\n", "\r"), LineEndsName);

TEST_P(ImportLineEnds, ReadsOnlySectionsZeroToSixtyThreeWithKeysInMacOrder) {
  StartWithScanList({});
  std::string text;
  for (const char* line : {"[12]", "COS=1", "Cyclic=0", "input = 4", "OUTPUT=5",  // names in any case
                           "[07]", "Poll=1",                                        // not a MAC ID's section
                           "[7]",                                                   // holds no key
                           "[3]", "Poll=$1", "Strobe=0x1", "COS=yes",               // hexadecimal counts, words do not
                           "[4]", "Input=abc",                                      // no kind: nothing converted
                           "[64]", "Poll=1"}) {
    text += std::string(line) + GetParam();
  }
  const std::string path = PathOf("other.EEP");
  Write(path, text);
  ExpectBox("Device 3 has been added successfully.");
  ExpectBox("Device 3 has been added successfully.");
  ExpectBox("Device 12 has been added successfully.");
  Import(path);

  EXPECT_EQ(dnsim::Sim().ScanList(),
            (std::vector<dnsim::ScanEntry>{{3, 1, 0, 0, 200}, {3, 2, 0, 0, 200}, {12, 3, 4, 5, 200}}));
  EXPECT_EQ(Form_Main->Edit_AddDeviceID->Text, "12");
}

TEST_F(EEPROMFile, ABadNumberHalfwayLeavesTheMasterAsItWas) {
  const std::vector<dnsim::ScanEntry> before = {{20, 1, 1, 1, 200}};
  StartWithScanList(before);
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  const std::string path = PathOf("bad.EEP");
  Write(path, "[3]\r\nPoll=1\r\nInput=4\r\nOutput=4\r\n[9]\r\nCOS=1\r\nInput=2\r\nOutput=2 bytes\r\n[30]\r\nPoll=1\r\n");
  ExpectBox("'2 bytes' is not a valid integer value.").Kind(BoxKind::Exception);
  Import(path);

  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_EQ(dnsim::Sim().ScanList(), before);
  EXPECT_THAT(TreeLines(Form_Main->TreeView_CurrentConfig), ElementsAre("Device 20 [2]", "  Poll ( Input 1 , Output 1 ) [3]"));
}

// A length the master's 16 bits cannot hold is refused before anything
// changed, never passed on cut down to another length.
TEST_F(EEPROMFile, ALengthBeyondSixteenBitsLeavesTheMasterAsItWas) {
  const struct {
    const char* section;
    const char* why;
  } cases[] = {
      {"[9]\r\nCOS=1\r\nInput=70000\r\nOutput=2\r\n", "Input length 70000"},
      {"[9]\r\nCOS=1\r\nInput=2\r\nOutput=-1\r\n", "Output length -1"},
      {"[9]\r\nCOS=1\r\nInput=65536\r\n", "Input length 65536"},
      {"[9]\r\nCOS=1\r\nInput=$FFFFFFFF\r\n", "Input length $FFFFFFFF"},
  };
  const std::vector<dnsim::ScanEntry> before = {{20, 1, 1, 1, 200}};
  StartWithScanList(before);
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  const std::string path = PathOf("long.EEP");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section);
    ClearCallLog();
    Write(path, std::string("[3]\r\nPoll=1\r\nInput=4\r\nOutput=4\r\n") + c.section);
    ExpectBox("The file " + path + " gives device 9 the " + c.why + ": a length is 0 to 65535.\n" +
              "The EEPROM has not been changed.")
        .Caption("Kestrum")
        .Flags(MB_OK | MB_ICONERROR);
    Import(path);
    EXPECT_THAT(ScanListCalls(), IsEmpty());
    EXPECT_EQ(dnsim::Sim().ScanList(), before);
  }

  // The largest length there is still goes through.
  Write(path, "[9]\r\nCOS=1\r\nInput=65535\r\nOutput=$FFFF\r\n");
  ExpectBox("Device 9 has been added successfully.");
  Import(path);
  EXPECT_EQ(dnsim::Sim().ScanList(), (std::vector<dnsim::ScanEntry>{{9, 3, 65535, 65535, 200}}));
}

TEST_F(EEPROMFile, AClearTheMasterRefusesIsReportedAndNothingIsAddedOnTopOfTheOldConfiguration) {
  StartWithScanList({{20, 1, 1, 1}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  const std::string path = PathOf("plant.EEP");
  Write(path, "[3]\r\nPoll=1\r\nInput=4\r\nOutput=4\r\n");
  dnsim::Sim().InjectFault(Op::ClearAllConfig, 1002, 1);
  ExpectBox("There are some errors when clearing the EEPROM.(Code: 1002)").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Import(path);

  EXPECT_THAT(ScanListCalls(), ElementsAre("ClearAllConfig board=0", "GetScanList board=0"));
  EXPECT_EQ(dnsim::Sim().ScanList().size(), 1u);
  EXPECT_THAT(TreeLines(Form_Main->TreeView_CurrentConfig), ElementsAre("Device 20 [2]", "  Poll ( Input 1 , Output 1 ) [3]"));
  EXPECT_THAT(DeviceIOPanel->ShowDeviceLog(), IsEmpty());
}

TEST_F(EEPROMFile, AMissingFileIsReportedAndLeavesTheMasterAsItWas) {
  StartWithScanList({{20, 1, 1, 1}});
  const std::string path = PathOf("missing.EEP");
  ExpectBox("Error!! Can not read the file " + path + ": No such file or directory")
      .Caption("Kestrum")
      .Flags(MB_OK | MB_ICONERROR);
  Import(path);
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_EQ(dnsim::Sim().ScanList().size(), 1u);
}

// A file as the original program wrote it through the Windows profile
// functions and as people edit such files: UTF-16 with its mark, values in
// quotes, a header without its "]", a slave's section twice (the first copy
// counts) and comments.
TEST_F(EEPROMFile, ImportOfAUnicodeFileWithQuotesConfiguresWhatItNames) {
  StartWithScanList({{20, 1, 1, 1}});
  const std::string path = PathOf("windows.EEP");
  Write(path, Utf16("; written by the old utility\r\n"
                    "[1]\r\nPoll=\"1\"\r\nInput=\"8\"\r\nOutput='4'\r\n"
                    "[3\r\n; no closing bracket\r\nCOS=1\r\nInput=2\r\nOutput=2\r\n"
                    "[5]\r\nStrobe=1\r\nInput=1\r\nOutput=0\r\n"
                    "[5]\r\nPoll=1\r\nInput=9\r\n"));
  for (const char* box : {"Device 1 has been added successfully.", "Device 3 has been added successfully.",
                          "Device 5 has been added successfully."}) {
    ExpectBox(box).Caption("Kestrum").Flags(MB_OK | MB_ICONINFORMATION);
  }
  Import(path);
  EXPECT_EQ(dnsim::Sim().ScanList(),
            (std::vector<dnsim::ScanEntry>{{1, 1, 8, 4, 200}, {3, 3, 2, 2, 200}, {5, 2, 1, 0, 200}}));
  EXPECT_THAT(TreeLines(Form_Main->TreeView_CurrentConfig),
              ElementsAre("Device 1 [2]", "  Poll ( Input 8 , Output 4 ) [3]", "Device 3 [2]",
                          "  COS ( Input 2 , Output 2 ) [5]", "Device 5 [2]", "  Strobe ( Input 1 ) [4]"));
}

// An import that would configure nothing says why and leaves the master as
// it was, whatever kind of file it was given.
TEST_F(EEPROMFile, AnImportThatWouldConfigureNothingSaysWhyAndLeavesTheMasterAlone) {
  const std::string noDevice = " names no device: it has no section [0] to [63] with a key in it.\nThe EEPROM has not been changed.";
  const std::string noConnection =
      " names no connection: none of its devices has Poll, Strobe, COS or Cyclic set.\nThe EEPROM has not been changed.";
  const struct {
    const char* label;
    std::string bytes;
    const std::string& why;
  } files[] = {
      {"other sections only", "[Notes]\r\nOwner=Lab 3\r\n[07]\r\nPoll=1\r\n[64]\r\nPoll=1\r\n", noDevice},
      {"empty", "", noDevice},
      {"bare headers", "[1]\r\n[2]\r\n; nothing here\r\n", noDevice},
      {"UTF-16 without its mark", Utf16("[1]\r\nPoll=1\r\n").substr(2), noDevice},
      {"no kind set", "[1]\r\nPoll=0\r\nInput=4\r\n[2]\r\nCOS=yes\r\n[3]\r\nOutput=1\r\n", noConnection},
  };
  StartWithScanList({{20, 1, 1, 1}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  const std::string path = PathOf("plant.EEP");
  for (const auto& f : files) {
    SCOPED_TRACE(f.label);
    ClearCallLog();
    Write(path, f.bytes);
    ExpectBox("The file " + path + f.why).Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
    Import(path);
    EXPECT_THAT(ScanListCalls(), IsEmpty());
    EXPECT_EQ(dnsim::Sim().ScanList().size(), 1u);
    EXPECT_THAT(TreeLines(Form_Main->TreeView_CurrentConfig), ElementsAre("Device 20 [2]", "  Poll ( Input 1 , Output 1 ) [3]"));
  }

  // A FIFO in the file's place is refused at once, never waited on.
  const std::string fifo = PathOf("pipe.EEP");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ExpectBox("Error!! Can not read the file " + fifo + ": Not a regular file").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Import(fifo);
  EXPECT_EQ(dnsim::Sim().ScanList().size(), 1u);
}

TEST_F(EEPROMFile, ARefusedAddLetsTheImportGoOn) {
  StartWithScanList({{20, 1, 1, 1}});
  const std::string path = PathOf("plant.EEP");
  Write(path, "[1]\r\nPoll=1\r\n[2]\r\nPoll=1\r\n");
  dnsim::Sim().InjectFault(Op::AddDevice, 1002, 1);
  ExpectBox("There are some errors when adding device to EEPROM!(Code:1002)").Flags(MB_OK | MB_ICONERROR);
  ExpectBox("Device 2 has been added successfully.");
  Import(path);
  EXPECT_EQ(dnsim::Sim().ScanList(), (std::vector<dnsim::ScanEntry>{{2, 1, 0, 0, 200}}));
}

}  // namespace
