// The helper process of the table's tests. It loads Tamsile.DLL the way the
// programs do and answers one line per command line:
//   enable ID FLAG       -> "ok R"          (Set_TamsileEnable)
//   has ID               -> "R"             (Get_TamsileEnable)
//   list                 -> "N id1 id2 ..." (Get_TamsileList)
//   fill FIRST N         -> "ok"            (enables FIRST .. FIRST+N-1)
//   stress T N SEED LO HI -> "done V"       (T threads, N random enables, disables and
//                           reads each on IDs LO..HI-1; V counts reads that saw a
//                           duplicate or more than the capacity)
//   hold MODE            -> "held"          (takes the table's lock and keeps it until the
//                           process is killed; MODE "plain", or "duplicate"/"overflow"
//                           to leave the table as a writer dying mid-change might)
//   quit                 -> ends the process
// "hold" reaches the lock through the same table code built into this program,
// so the library itself needs no door for tests.
//
// Started with arguments, the helper sets its table up through that same code
// instead of loading the library (what it then says on standard error is what
// the library would say):
//   --stop-at=made|opened|locked   stops itself (SIGSTOP) at that point of the set-up
//   --lock-wait-ms=N               gives up on the table's lock after N ms

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <bitset>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <cstdio>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/library_loader.h"
#include "shared_table.h"
#include "tamsile/tamsile.h"

namespace {

Get_TamsileList_Entry g_list;
Set_TamsileEnable_Entry g_set;
Get_TamsileEnable_Entry g_get;

void Answer(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

bool ListIsSound(std::uint16_t count, const std::uint16_t* ids) {
  if (count > TAMSILE_CAPACITY) return false;
  std::bitset<65536> seen;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (seen.test(ids[i])) return false;
    seen.set(ids[i]);
  }
  return true;
}

std::string ListText() {
  std::uint16_t count = 0;
  std::vector<std::uint16_t> ids(TAMSILE_CAPACITY);
  g_list(&count, ids.data());
  std::string text = std::to_string(count);
  for (std::uint16_t i = 0; i < count && i < TAMSILE_CAPACITY; ++i) {
    text += ' ';
    text += std::to_string(ids[i]);
  }
  return text;
}

int Stress(int threads, int rounds, unsigned seed, unsigned lo, unsigned hi) {
  std::atomic<int> violations{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::minstd_rand rng(seed * 97 + static_cast<unsigned>(t));
      std::vector<std::uint16_t> ids(TAMSILE_CAPACITY);
      for (int i = 0; i < rounds; ++i) {
        const auto id = static_cast<std::uint16_t>(lo + rng() % (hi - lo));
        switch (rng() % 4) {
          case 0:
          case 1: g_set(id, 1); break;
          case 2: g_set(id, 0); break;
          default: g_get(id); break;
        }
        if (i % 16 == 0) {
          std::uint16_t count = 0;
          g_list(&count, ids.data());
          if (!ListIsSound(count, ids.data())) ++violations;
        }
      }
    });
  }
  for (auto& w : workers) w.join();
  return violations.load();
}

[[noreturn]] void HoldLock(const std::string& mode) {
  auto name = tamsile::TableNameFor(std::getenv(TAMSILE_NAMESPACE_VARIABLE), geteuid());
  tamsile::SharedRegion* region = name ? tamsile::AttachShared(*name).region : nullptr;
  if (region == nullptr) {
    Answer("no table");
    _exit(1);
  }
  tamsile::Locked lock(*region);
  tamsile::MsgIdTable& table = lock.table();
  if (mode == "duplicate" && table.count > 0 && table.count < tamsile::kCapacity) {
    // A removal that copied the last entry into the hole but died before
    // lowering the count leaves the last ID twice.
    table.ids[table.count] = table.ids[0];
    ++table.count;
  } else if (mode == "overflow") {
    table.count = 1200;
  }
  Answer("held");
  for (;;) pause();
}

std::optional<tamsile::SetupStep> g_stop_at;

void StopAt(tamsile::SetupStep step) {
  if (g_stop_at == step) raise(SIGSTOP);
}

// Sets the table up through the built-in code, as the arguments say; false for
// an argument it does not know.
bool SetUpInProcess(int argc, char** argv) {
  tamsile::SetupOptions options;
  options.at_step = StopAt;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--stop-at=made") {
      g_stop_at = tamsile::SetupStep::kMade;
    } else if (arg == "--stop-at=opened") {
      g_stop_at = tamsile::SetupStep::kOpened;
    } else if (arg == "--stop-at=locked") {
      g_stop_at = tamsile::SetupStep::kLocked;
    } else if (arg.rfind("--lock-wait-ms=", 0) == 0) {
      options.lock_wait = std::chrono::milliseconds(std::atoi(arg.c_str() + 15));
    } else {
      return false;
    }
  }
  tamsile::AttachProcessTable(options);
  g_list = tamsile::ListEntry;
  g_set = tamsile::SetEnableEntry;
  g_get = tamsile::GetEnableEntry;
  return true;
}

bool LoadLibrary() {
  plat::LibraryLoader& loader = plat::SystemLoader();
  plat::ModuleHandle lib = loader.Load("Tamsile.DLL");
  g_list = reinterpret_cast<Get_TamsileList_Entry>(loader.Symbol(lib, "Get_TamsileList"));
  g_set = reinterpret_cast<Set_TamsileEnable_Entry>(loader.Symbol(lib, "Set_TamsileEnable"));
  g_get = reinterpret_cast<Get_TamsileEnable_Entry>(loader.Symbol(lib, "Get_TamsileEnable"));
  return g_list != nullptr && g_set != nullptr && g_get != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 ? !SetUpInProcess(argc, argv) : !LoadLibrary()) {
    Answer("no library");
    return 1;
  }
  Answer("ready");

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "enable") {
      unsigned id = 0, flag = 0;
      in >> id >> flag;
      const int32_t rc = g_set(static_cast<std::uint16_t>(id), static_cast<std::uint8_t>(flag));
      Answer("ok " + std::to_string(rc));
    } else if (command == "has") {
      unsigned id = 0;
      in >> id;
      Answer(std::to_string(g_get(static_cast<std::uint16_t>(id))));
    } else if (command == "list") {
      Answer(ListText());
    } else if (command == "fill") {
      unsigned first = 0, n = 0;
      in >> first >> n;
      for (unsigned i = 0; i < n; ++i) g_set(static_cast<std::uint16_t>(first + i), 1);
      Answer("ok");
    } else if (command == "stress") {
      int threads = 0, rounds = 0;
      unsigned seed = 0, lo = 0, hi = 0;
      in >> threads >> rounds >> seed >> lo >> hi;
      if (hi <= lo) {
        Answer("bad range");
        continue;
      }
      Answer("done " + std::to_string(Stress(threads, rounds, seed, lo, hi)));
    } else if (command == "hold") {
      std::string mode;
      in >> mode;
      HoldLock(mode);
    } else if (command == "quit") {
      return 0;
    } else {
      Answer("unknown " + command);
    }
  }
  return 0;
}
