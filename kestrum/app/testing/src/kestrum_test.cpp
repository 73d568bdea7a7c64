#include "kestrum/app/testing/kestrum_test.h"

#include <mutex>
#include <optional>

#include "driver/driver_binding.h"
#include "driver/master_api.h"
#include "fake_trace_libraries.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/win_main.h"
#include "kestrum/trace_bridge.h"
#include "platform/testing/loaders.h"
#include "tamsile/tamsile.h"
#include "tamsile_testing/table_namespace.h"

namespace kestrum::testing {
namespace {

constexpr DebugMsgId kEnabledAtStart[] = {kUserCommandMsgId, kPollStatusMsgId, kReadFailureMsgId,
                                          kDragDropMsgId};

// The process's one trace bridge binds once: to the recording client and the
// real filter library on a table that no other process shares.
bool BindRecordingTrace() {
  static const bool bound = [] {
    tamsile_testing::LoadTamsileOnOwnTable();
    static trace_testing::FakeTraceLoader loader(/*real_filter=*/true);
    kestrum::ProcessTraceBridge().LoadTraceLibraries(loader);
    return kestrum::TracingBound();
  }();
  return bound;
}

const tamsile_testing::TamsileEntryPoints& Table() { return tamsile_testing::LoadTamsileOnOwnTable(); }

void ResetTraceTable() {
  std::uint16_t count = 0;
  std::vector<std::uint16_t> ids(TAMSILE_CAPACITY);
  Table().list(&count, ids.data());
  for (std::uint16_t i = 0; i < count; ++i) Table().set(ids[i], 0);
  for (DebugMsgId id : kEnabledAtStart) Table().set(id, 1);
}

void ResetProgram() {
  kestrum::ResetProgramStateForTesting();
  driver::ResetEntryTablesForTesting();
}

}  // namespace

// ---------------------------------------------------------------- fixture
KestrumTest::KestrumTest() {
  ResetProgram();
  dnsim::Sim().Configure(DefaultNetwork());
  if (!BindRecordingTrace()) ADD_FAILURE() << "the recording trace libraries did not bind";
  ResetTraceTable();
  ClearTraces();
}

KestrumTest::~KestrumTest() {
  // Whatever the test left running ends before the session (and its forms) go.
  kestrum::EndProgramQuietly();
  ResetProgram();
}

// ---------------------------------------------------------------- simulated master
dnsim::NetworkConfig DefaultNetwork() {
  dnsim::NetworkConfig net = dnsim::DemoNetwork();
  net.master.activation_polls = 0;
  net.master.boards = 1;
  net.master.ports = {4};
  net.scan_list.clear();
  return net;
}

void ConfigureNetwork(const std::function<void(dnsim::NetworkConfig&)>& change) {
  dnsim::NetworkConfig net = DefaultNetwork();
  if (change) change(net);
  dnsim::Sim().Configure(net);
}

std::vector<dnsim::CallRecord> CallLog() { return dnsim::Sim().CallLog(); }

std::vector<std::string> CalledEntries() {
  std::vector<std::string> entries;
  for (const dnsim::CallRecord& r : CallLog()) entries.push_back(r.entry);
  return entries;
}

std::vector<dnsim::CallRecord> CallsOf(dnsim::Op op) {
  std::vector<dnsim::CallRecord> calls;
  for (const dnsim::CallRecord& r : CallLog()) {
    if (r.op == op) calls.push_back(r);
  }
  return calls;
}

void ClearCallLog() { dnsim::Sim().ClearCallLog(); }

// ---------------------------------------------------------------- starting
std::string ChooserButtonName(std::uint8_t kind) {
  switch (kind) {
    case driver::kKindCalvory: return "SpeedButton_PCI";
    case driver::kKindMerrow: return "SpeedButton_Module";
    case driver::kKindTolquin: return "SpeedButton_Wenlow";
    case driver::kKindGadrow: return "SpeedButton_Gadrow";
    default: return {};
  }
}

StartOptions DriversFrom(std::string directory) {
  StartOptions options;
  options.driver_directory = std::move(directory);
  return options;
}

void StartKestrum(std::uint8_t kind, const StartOptions& options) {
  ExpectModal("Form_SelectHardware", [kind, answer = options.answer_chooser](vcl::TForm& chooser) {
    if (answer) return answer(chooser);
    const std::string button = ChooserButtonName(kind);
    if (button.empty()) {
      CloseByWindowManager(&chooser);
    } else {
      Click(Find<vcl::TSpeedButton>(&chooser, button));
    }
  });
  std::optional<plat::testing::DirectoryLoader> loader;
  std::optional<plat::testing::ScopedCurrentLoader> scoped;
  if (!options.driver_directory.empty()) {
    loader.emplace(options.driver_directory);
    scoped.emplace(*loader);
  }
  kestrum::CreateProgramWindows();
  // What the loop does first: show the main window.
  vcl::TForm* main = vcl::Application->MainForm;
  vcl::Fire([main] { main->Show(); });
  vcl::Application->Idle();
}

void ActivateBoard(std::uint8_t board) {
  ActiveBoardNo = board;
  BrantelAPI_ActiveBoard(board);
  bool running = false;
  for (int step = 0; step < 10 && !running; ++step) {
    Advance(1000);
    running = BrantelAPI_GetMasterStatus(board) == 0;
  }
  if (!running) ADD_FAILURE() << "board " << int{board} << " did not become active";
  ClearCallLog();
}

// ---------------------------------------------------------------- traces
void PrintTo(const TraceLine& line, std::ostream* os) { *os << line.channel << ":\"" << line.text << '"'; }

std::vector<TraceLine> TraceLines() {
  std::vector<TraceLine> lines;
  for (const auto& [channel, text] : trace_testing::Fake().Sent()) lines.push_back({channel, text});
  return lines;
}

std::vector<std::string> TraceTexts() {
  std::vector<std::string> texts;
  for (const TraceLine& line : TraceLines()) texts.push_back(line.text);
  return texts;
}

void ClearTraces() {
  trace_testing::FakeTraceState& fake = trace_testing::Fake();
  std::lock_guard<std::mutex> lock(fake.mutex);
  fake.sent.clear();
}

void SetTraceIdEnabled(DebugMsgId id, bool enabled) { Table().set(id, enabled ? 1 : 0); }

}  // namespace kestrum::testing
