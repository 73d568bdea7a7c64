#include "msg_id_table.h"

#include <algorithm>
#include <bitset>

namespace tamsile {

std::uint16_t ValidCount(const MsgIdTable& table) { return std::min(table.count, kCapacity); }

std::uint16_t CopyIds(const MsgIdTable& table, std::uint16_t* ids) {
  const std::uint16_t n = ValidCount(table);
  if (ids != nullptr) std::copy_n(table.ids, n, ids);
  return n;
}

bool IsEnabled(const MsgIdTable& table, std::uint16_t id) {
  const std::uint16_t n = ValidCount(table);
  return std::find(table.ids, table.ids + n, id) != table.ids + n;
}

void EnableId(MsgIdTable& table, std::uint16_t id) {
  const std::uint16_t n = ValidCount(table);
  if (IsEnabled(table, id) || n == kCapacity) return;
  table.ids[n] = id;
  table.count = static_cast<std::uint16_t>(n + 1);
}

void DisableId(MsgIdTable& table, std::uint16_t id) {
  const std::uint16_t n = ValidCount(table);
  if (n == 0) return;
  const std::uint16_t last = static_cast<std::uint16_t>(n - 1);
  if (table.ids[last] != id) {
    std::uint16_t* hit = std::find(table.ids, table.ids + last, id);
    if (hit == table.ids + last) return;
    *hit = table.ids[last];
  }
  table.count = last;
}

void Repair(MsgIdTable& table) {
  std::bitset<65536> seen;
  const std::uint16_t n = ValidCount(table);
  std::uint16_t kept = 0;
  for (std::uint16_t i = 0; i < n; ++i) {
    const std::uint16_t id = table.ids[i];
    if (seen.test(id)) continue;
    seen.set(id);
    table.ids[kept++] = id;
  }
  table.count = kept;
}

}  // namespace tamsile
