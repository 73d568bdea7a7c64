// The library's three entries. Everything else in the library is hidden.

#include "tamsile/tamsile.h"

#include "msg_id_table.h"
#include "shared_table.h"

static_assert(tamsile::kCapacity == TAMSILE_CAPACITY);

namespace {

// The table is mapped as the library loads, as a shared data section would be:
// the first entry call finds it in place.
__attribute__((constructor)) void MapTableOnLoad() { tamsile::AttachProcessTable(); }

}  // namespace

extern "C" {

int32_t Get_TamsileList(uint16_t* count, uint16_t* ids) { return tamsile::ListEntry(count, ids); }

int32_t Set_TamsileEnable(uint16_t id, uint8_t enable) { return tamsile::SetEnableEntry(id, enable); }

int32_t Get_TamsileEnable(uint16_t id) { return tamsile::GetEnableEntry(id); }

}  // extern "C"
