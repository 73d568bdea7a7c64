#pragma once
// The list itself, free of any knowledge where it lives: the same code works on
// the mapping that all processes share and on a process's own fallback copy.
// Callers hold the table's lock around every call.

#include <cstdint>

namespace tamsile {

inline constexpr std::uint16_t kCapacity = 1000;

struct MsgIdTable {
  std::uint16_t ids[kCapacity];  // positions at and beyond count are stale
  std::uint16_t count;
};

// The count as it may be trusted: a value past the capacity (left by a process
// that died mid-write, or by a foreign writer) reads as a full table.
std::uint16_t ValidCount(const MsgIdTable& table);

// Copies the enabled IDs in table order to ids (skipped when null) and returns
// how many there are.
std::uint16_t CopyIds(const MsgIdTable& table, std::uint16_t* ids);

// Appends the ID unless it is present or the table is full.
void EnableId(MsgIdTable& table, std::uint16_t id);

// Removes the ID, moving the last entry into its place.
void DisableId(MsgIdTable& table, std::uint16_t id);

bool IsEnabled(const MsgIdTable& table, std::uint16_t id);

// Brings a table that a dead lock holder may have left half-changed back to its
// rules: the count within capacity and no ID twice (the first one stays).
void Repair(MsgIdTable& table);

}  // namespace tamsile
