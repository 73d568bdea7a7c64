#pragma once
// A loader that hands out stand-in trace libraries and records every load and
// lookup. The client's entries record what they receive; the filter's entries
// are stand-ins too, unless the real Tamsile.DLL is asked for.

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/library_loader.h"

namespace trace_testing {

// What the stand-in entries saw, and what they answer.
struct FakeTraceState {
  std::mutex mutex;
  std::vector<std::pair<std::int32_t, std::string>> sent;  // Lorvex(channel, text)
  int start_calls = 0;
  std::int32_t start_result = 1;
  int unused_entry_calls = 0;  // the four entries that are looked up only
  // The stand-in filter: enables only these IDs, lists this list.
  std::set<std::uint16_t> enabled = {1000};
  std::vector<std::uint16_t> listed = {1000, 3};
  std::vector<std::pair<std::uint16_t, std::uint8_t>> set_calls;

  std::vector<std::pair<std::int32_t, std::string>> Sent();
  size_t SentCount();
};

// The one state the stand-in entries use (they are plain functions); emptied
// by every FakeTraceLoader.
FakeTraceState& Fake();

// The results the stand-in filter entries give, so a test can see they are
// handed back unchanged.
inline constexpr std::int32_t kFakeListResult = 5;
inline constexpr std::int32_t kFakeSetResult = 6;

class FakeTraceLoader : public plat::LibraryLoader {
 public:
  // real_filter: "Tamsile.DLL" is the real one, loaded by the system loader.
  explicit FakeTraceLoader(bool real_filter = false);

  plat::ModuleHandle Load(const std::string& file_name) override;
  plat::ProcAddress Symbol(plat::ModuleHandle module, const std::string& entry_name) override;

  std::set<std::string> missing_libraries;
  std::set<std::string> missing_entries;
  std::vector<std::string> loads;
  std::vector<std::string> lookups;  // "LIBRARY:entry"

 private:
  bool real_filter_;
  plat::ModuleHandle real_filter_handle_ = nullptr;
};

}  // namespace trace_testing
