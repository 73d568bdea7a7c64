#pragma once
// What a search found, read from the master in one go. Shared by the
// network search and the diagnosis dialog.

#include <algorithm>
#include <cstdint>

#include "driver/master_api.h"

namespace kestrum {

// The master answers this while a search still runs.
inline constexpr std::int32_t kSearchStillRunning = 1055;

struct SearchedDevices {
  std::int32_t result = 0;  // the read's driver result
  std::uint16_t count = 0;  // entries, never beyond the arrays
  std::uint8_t macs[driver::kDeviceListRoom] = {};
  std::uint8_t kinds[driver::kDeviceListRoom] = {};
  std::uint16_t input_lengths[driver::kDeviceListRoom] = {};
  std::uint16_t output_lengths[driver::kDeviceListRoom] = {};

  // Only a good read with entries found something: a failed read says
  // nothing about the entries it may have left behind.
  bool Found() const { return result == 0 && count > 0; }
};

// BrantelAPI_GetSearchedDevices into a fresh list: the count starts at 0, so a
// read that writes nothing finds nothing.
inline SearchedDevices ReadSearchedDevices(std::uint8_t board) {
  SearchedDevices found;
  found.result = BrantelAPI_GetSearchedDevices(board, &found.count, found.macs, found.kinds, found.input_lengths,
                                               found.output_lengths);
  found.count = std::min<std::uint16_t>(found.count, static_cast<std::uint16_t>(driver::kDeviceListRoom));
  return found;
}

}  // namespace kestrum
