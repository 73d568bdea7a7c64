#pragma once
// Global atoms: short texts that a number stands for while they are added.
// Trace messages carry their text as an atom's name. Any thread.

#include <cstdint>
#include <string>

#include "platform/afx/cmd_target.h"

namespace afx {

using ATOM = std::uint16_t;

// The longest name an atom holds.
constexpr std::size_t kMaxAtomName = 255;

// Adds the name (or counts one more reference to it): its atom, or 0 for an
// empty name, a longer one than kMaxAtomName or a full table. Names compare
// exactly: two texts that differ only in case are two atoms, so one never
// comes back as the other.
ATOM GlobalAddAtomA(const std::string& name);
// Copies at most size - 1 characters of the atom's name into buffer and a
// terminating zero; answers the number copied, or 0 (buffer untouched) for
// an atom that does not exist or a buffer without room.
UINT GlobalGetAtomNameA(ATOM atom, char* buffer, int size);
// Drops one reference; the atom goes with its last. Answers 0.
ATOM GlobalDeleteAtom(ATOM atom);

}  // namespace afx
