#pragma once
// Tamsile.DLL: the one list of enabled trace message IDs that every process of
// the user shares. A process that loads the library maps the table; an ID that
// one process enables is enabled at once for all of them. Nothing is saved:
// once the last process holding the table has ended, the next load starts empty.
//
// The three entries are looked up by name ("Get_TamsileList", "Set_TamsileEnable",
// "Get_TamsileEnable"); every call is serialised across all processes.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TAMSILE_API __attribute__((visibility("default")))

// Room the caller's list must have: the table never holds more IDs than this.
#define TAMSILE_CAPACITY 1000

// Writes the number of enabled IDs to *count and copies them, in table order,
// to ids (room for TAMSILE_CAPACITY always suffices). A null count writes
// nothing; a null list receives nothing. Returns 0.
TAMSILE_API int32_t Get_TamsileList(uint16_t* count, uint16_t* ids);

// Any non-zero enable byte enables the ID (a present ID stays where it is; a
// full table refuses a new one and stays as it was), 0 disables it (the last
// entry moves into the freed place). Returns 0.
TAMSILE_API int32_t Set_TamsileEnable(uint16_t id, uint8_t enable);

// 1 while the ID is enabled, else 0.
TAMSILE_API int32_t Get_TamsileEnable(uint16_t id);

typedef int32_t (*Get_TamsileList_Entry)(uint16_t* count, uint16_t* ids);
typedef int32_t (*Set_TamsileEnable_Entry)(uint16_t id, uint8_t enable);
typedef int32_t (*Get_TamsileEnable_Entry)(uint16_t id);

// The name of the variable that keeps a separate table apart from the user's
// own one: its value (letters, digits, '_' and '-', at most 64) is added to every
// name. Any other value gives the process a table of its own, shared with nobody
// (and a line on standard error that says so).
#define TAMSILE_NAMESPACE_VARIABLE "TAMSILE_NAMESPACE"

#ifdef __cplusplus
}  // extern "C"
#endif
