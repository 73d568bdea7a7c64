// The shipped LORVEX.DLL itself: its exports, and its entries end to end.
#include <elf.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <cstring>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "ipc_test_support.h"
#include "lorvex/trace_client.h"
#include "platform/ipc/socket_directory.h"
#include "platform/ipc/trace_receiver.h"
#include "platform/library_loader.h"
#include "platform/program_path.h"

namespace {

using namespace plat::ipc;

// The library settles on its socket directory at its first call; every test of
// this program shares one private directory, set before any test runs.
class SocketDirEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::make_unique<ipc_test::TempDir>();
    setenv(kSocketDirVariable, (*dir_ / "lorvex").c_str(), 1);
  }
  void TearDown() override {
    unsetenv(kSocketDirVariable);
    dir_.reset();
  }

 private:
  std::unique_ptr<ipc_test::TempDir> dir_;
};
[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new SocketDirEnvironment);

// Names of the functions and objects a shared object defines for others.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<std::string> names;
  if (file.size() < sizeof(Elf64_Ehdr)) return names;
  Elf64_Ehdr eh;
  std::memcpy(&eh, file.data(), sizeof eh);
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64) return names;
  auto section = [&](std::size_t i) {
    Elf64_Shdr sh{};
    std::size_t at = eh.e_shoff + i * eh.e_shentsize;
    if (at + sizeof sh <= file.size()) std::memcpy(&sh, file.data() + at, sizeof sh);
    return sh;
  };
  for (std::size_t i = 0; i < eh.e_shnum; ++i) {
    Elf64_Shdr symtab = section(i);
    if (symtab.sh_type != SHT_DYNSYM) continue;
    Elf64_Shdr strtab = section(symtab.sh_link);
    for (std::size_t at = symtab.sh_offset; at + sizeof(Elf64_Sym) <= symtab.sh_offset + symtab.sh_size;
         at += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, file.data() + at, sizeof sym);
      int bind = ELF64_ST_BIND(sym.st_info), type = ELF64_ST_TYPE(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || sym.st_shndx == SHN_ABS) continue;
      if (bind == STB_LOCAL || (type != STT_FUNC && type != STT_OBJECT && type != STT_GNU_IFUNC))
        continue;
      names.insert(file.data() + strtab.sh_offset + sym.st_name);
    }
  }
  return names;
}

TEST(LorvexDll, ExportsExactlyTheSixEntries) {
  std::string path = plat::FindLibraryFile("LORVEX.DLL");
  ASSERT_FALSE(path.empty());
  const std::set<std::string> expected = {"Lorvex", "StartTraceOutput", "StopTraceOutput",
                                          "SetTraceIDColor", "SetTraceIDMedium", "SetTraceIDFile"};
  EXPECT_EQ(DefinedDynamicSymbols(path), expected);
}

struct Entries {
  LorvexProc lorvex = nullptr;
  StartTraceOutputProc start = nullptr;
  StopTraceOutputProc stop = nullptr;
  SetTraceIDColorProc color = nullptr;
  SetTraceIDMediumProc medium = nullptr;
  SetTraceIDFileProc file = nullptr;
};

template <typename T>
void Bind(plat::ModuleHandle module, const char* name, T& entry) {
  entry = reinterpret_cast<T>(plat::SystemLoader().Symbol(module, name));
  ASSERT_NE(entry, nullptr) << name;
}

Entries Load() {
  Entries e;
  plat::ModuleHandle module = plat::SystemLoader().Load("LORVEX.DLL");
  EXPECT_NE(module, nullptr);
  Bind(module, "Lorvex", e.lorvex);
  Bind(module, "StartTraceOutput", e.start);
  Bind(module, "StopTraceOutput", e.stop);
  Bind(module, "SetTraceIDColor", e.color);
  Bind(module, "SetTraceIDMedium", e.medium);
  Bind(module, "SetTraceIDFile", e.file);
  return e;
}

TEST(LorvexDll, EntriesReachTheViewer) {
  Entries dll = Load();
  ASSERT_TRUE(dll.lorvex && dll.start && dll.stop && dll.color && dll.medium && dll.file);

  ReceiverOpen opened = TraceReceiver::Open();
  ASSERT_EQ(opened.error, OpenError::kNone) << opened.message;
  TraceReceiver& viewer = *opened.receiver;
  auto received = [&] {
    std::vector<TraceDatagram> got;
    viewer.Drain([&](const TraceDatagram& d) { got.push_back(d); });
    return got;
  };
  EXPECT_TRUE(received().empty());

  dll.lorvex(3, "%s%n");
  dll.lorvex(4, nullptr);
  dll.color(2, 0x000000FF);
  dll.medium(2, 4);
  dll.file(2, "/home/u/t.txt");
  auto got = received();
  ASSERT_EQ(got.size(), 5u);
  const std::string stamp = R"(#~\d\d\.\d\d\.\d{4}#~\d\d:\d\d:\d\d\.\d{3}#~)";
  const std::string program = plat::ProgramName();  // letters, digits and '_' only
  EXPECT_EQ(got[0].message, TraceMessage::kString);
  EXPECT_EQ(got[0].wparam, 3);
  EXPECT_TRUE(std::regex_match(got[0].text, std::regex(program + stamp + "%s%n"))) << got[0].text;
  EXPECT_EQ(got[1].wparam, 4);
  EXPECT_TRUE(std::regex_match(got[1].text, std::regex(program + stamp))) << got[1].text;
  EXPECT_EQ(got[2], (TraceDatagram{TraceMessage::kSetColor, 2, 0x000000FF, ""}));
  EXPECT_EQ(got[3], (TraceDatagram{TraceMessage::kSetDevice, 2, 4, ""}));
  EXPECT_EQ(got[4], (TraceDatagram{TraceMessage::kSetFileName, 2, 0, "/home/u/t.txt"}));

  EXPECT_EQ(dll.stop(), 1);
  dll.lorvex(1, "stopped");
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(dll.start(), 1);
  dll.lorvex(1, "resumed");
  got = received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got[0].text.ends_with("#~resumed"));

  // No viewer any more: output still counts as running, and the trace is gone.
  opened.receiver.reset();
  EXPECT_EQ(dll.start(), 1);
  dll.lorvex(1, "after the viewer");
}

}  // namespace
