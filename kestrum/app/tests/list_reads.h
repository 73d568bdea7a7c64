#pragma once
// What the tests of the searches and of the configuration tree share: the
// program started on hardware kind 1 with the reads of the search result and
// of the scan list passing through the test, so that a test can make the
// master report what the simulator never does (entries out of MAC order, a
// failed read that still wrote entries, a count beyond the lists' room, a
// read that writes no count at all).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vcl/forms.h"

namespace kestrum::testing {

struct ListEntry {
  std::uint8_t mac;
  std::uint8_t kind;
  std::uint16_t input_length;
  std::uint16_t output_length;
};

// The count a scripted read reports: the number of entries written, a number
// of the test's choice (above the lists' room of 200 too), or none at all.
inline constexpr int kCountAsWritten = -1;
inline constexpr int kCountUnwritten = -2;

struct ScriptedRead {
  std::int32_t result = 0;
  std::vector<ListEntry> entries;  // written into the caller's lists, never beyond their 200
  int count = kCountAsWritten;     // or 0 to 65535, or kCountUnwritten
};

// Starts Kestrum as StartKestrum(1) does and makes board 0 active, with the
// status timer running as the activation leaves it and the trace lines and
// call log emptied. Until a test scripts them, the reads of search results
// and of the scan list reach the simulated master unchanged.
void StartWithListReadsThroughTheTest();
// From now on every read of a search result answers this, and the simulator
// is not asked.
void ScriptSearchReads(ScriptedRead read);
// The same for the reads of the scan list.
void ScriptScanListReads(ScriptedRead read);

// A list that fills the callers' whole room: 200 Poll connections of one
// device, entry i with input and output length i. With a count above 200, a
// reader that went past the room would read past its own lists: the sanitizer
// build of the tests stops it there, and what it took would show as more
// than this list.
std::vector<ListEntry> FullRoomOf(std::uint8_t mac);
// Its tree, as TreeTexts gives it.
std::vector<std::string> FullRoomTexts(std::uint8_t mac);

// A tree's node texts in pre-order, a connection indented by two blanks.
std::vector<std::string> TreeTexts(const vcl::TTreeView* tree);

}  // namespace kestrum::testing
