#pragma once
// What the searches' tests share: the program started on hardware kind 1 with
// the read of a search result passing through the test, so that a test can
// make the master report what the simulator never does (entries out of MAC
// order, a failed read that still wrote entries).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms.h"

namespace kestrum::testing {

struct SearchEntry {
  std::uint8_t mac;
  std::uint8_t kind;
  std::uint16_t input_length;
  std::uint16_t output_length;
};

struct ScriptedRead {
  std::int32_t result = 0;
  std::vector<SearchEntry> entries;
};

// Starts Kestrum as StartKestrum(1) does and makes board 0 active, with the
// status timer running as the activation leaves it and the trace lines and
// call log emptied. Until a test scripts them, the reads of search results
// reach the simulated master unchanged.
void StartWithSearchReadsThroughTheTest();
// From now on every read of a search result answers this, and the simulator
// is not asked.
void ScriptSearchReads(ScriptedRead read);

// A tree's node texts in pre-order, a connection indented by two blanks.
std::vector<std::string> TreeTexts(const vcl::TTreeView* tree);

}  // namespace kestrum::testing
