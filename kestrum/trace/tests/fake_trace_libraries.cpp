#include "fake_trace_libraries.h"

#include <algorithm>
#include <map>

namespace trace_testing {
namespace {

char g_client_tag, g_filter_tag;

void FakeLorvex(std::int32_t channel, const char* text) {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  Fake().sent.emplace_back(channel, text);
}

std::int32_t FakeStart() {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  ++Fake().start_calls;
  return Fake().start_result;
}

void FakeUnused() {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  ++Fake().unused_entry_calls;
}

std::int32_t FakeGetList(std::uint16_t* count, std::uint16_t* ids) {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  *count = static_cast<std::uint16_t>(Fake().listed.size());
  std::copy(Fake().listed.begin(), Fake().listed.end(), ids);
  return kFakeListResult;
}

std::int32_t FakeSetEnable(std::uint16_t id, std::uint8_t enable) {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  Fake().set_calls.emplace_back(id, enable);
  return kFakeSetResult;
}

std::int32_t FakeGetEnable(std::uint16_t id) {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  return Fake().enabled.count(id) ? 1 : 0;
}

plat::ProcAddress Address(auto* function) { return reinterpret_cast<plat::ProcAddress>(function); }

const std::map<std::string, plat::ProcAddress>& ClientEntries() {
  static const std::map<std::string, plat::ProcAddress> entries = {
      {"Lorvex", Address(FakeLorvex)},
      {"SetTraceIDColor", Address(FakeUnused)},
      {"SetTraceIDMedium", Address(FakeUnused)},
      {"SetTraceIDFile", Address(FakeUnused)},
      {"StartTraceOutput", Address(FakeStart)},
      {"StopTraceOutput", Address(FakeUnused)},
  };
  return entries;
}

const std::map<std::string, plat::ProcAddress>& FilterEntries() {
  static const std::map<std::string, plat::ProcAddress> entries = {
      {"Get_TamsileList", Address(FakeGetList)},
      {"Set_TamsileEnable", Address(FakeSetEnable)},
      {"Get_TamsileEnable", Address(FakeGetEnable)},
  };
  return entries;
}

}  // namespace

std::vector<std::pair<std::int32_t, std::string>> FakeTraceState::Sent() {
  std::lock_guard<std::mutex> lock(mutex);
  return sent;
}

size_t FakeTraceState::SentCount() {
  std::lock_guard<std::mutex> lock(mutex);
  return sent.size();
}

FakeTraceState& Fake() {
  static FakeTraceState state;
  return state;
}

FakeTraceLoader::FakeTraceLoader(bool real_filter) : real_filter_(real_filter) {
  FakeTraceState& f = Fake();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.sent.clear();
  f.start_calls = 0;
  f.start_result = 1;
  f.unused_entry_calls = 0;
  f.enabled = {1000};
  f.listed = {1000, 3};
  f.set_calls.clear();
}

plat::ModuleHandle FakeTraceLoader::Load(const std::string& file_name) {
  loads.push_back(file_name);
  if (missing_libraries.count(file_name)) return nullptr;
  if (file_name == "LORVEX.DLL") return &g_client_tag;
  if (file_name != "Tamsile.DLL") return nullptr;
  if (!real_filter_) return &g_filter_tag;
  real_filter_handle_ = plat::SystemLoader().Load(file_name);
  return real_filter_handle_;
}

plat::ProcAddress FakeTraceLoader::Symbol(plat::ModuleHandle module,
                                         const std::string& entry_name) {
  const bool client = module == &g_client_tag;
  const bool filter = module == &g_filter_tag || (module && module == real_filter_handle_);
  lookups.push_back(std::string(client ? "LORVEX.DLL" : filter ? "Tamsile.DLL" : "?") + ":" +
                    entry_name);
  if (missing_entries.count(entry_name)) return nullptr;
  if (module != nullptr && module == real_filter_handle_) {
    return plat::SystemLoader().Symbol(module, entry_name);
  }
  const auto& entries = client ? ClientEntries() : FilterEntries();
  if (!client && !filter) return nullptr;
  auto it = entries.find(entry_name);
  return it == entries.end() ? nullptr : it->second;
}

}  // namespace trace_testing
