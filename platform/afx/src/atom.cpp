#include "platform/afx/atom.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace afx {

namespace {
// String atoms take the numbers from 0xC000 up.
constexpr ATOM kFirstAtom = 0xC000;
constexpr std::size_t kAtomCount = 0x4000;

struct Table {
  std::mutex mu;
  struct Entry {
    std::string name;
    int refs = 0;
  };
  std::map<ATOM, Entry> atoms;
  std::map<std::string, ATOM> byName;
};

Table& Atoms() {
  static auto* table = new Table;
  return *table;
}
}  // namespace

ATOM GlobalAddAtomA(const std::string& name) {
  if (name.empty() || name.size() > kMaxAtomName) return 0;
  Table& t = Atoms();
  std::lock_guard<std::mutex> lk(t.mu);
  if (auto it = t.byName.find(name); it != t.byName.end()) {
    ++t.atoms[it->second].refs;
    return it->second;
  }
  if (t.atoms.size() >= kAtomCount) return 0;
  ATOM atom = kFirstAtom;
  while (t.atoms.count(atom)) ++atom;
  t.atoms[atom] = {name, 1};
  t.byName[name] = atom;
  return atom;
}

UINT GlobalGetAtomNameA(ATOM atom, char* buffer, int size) {
  if (!buffer || size <= 1) return 0;
  Table& t = Atoms();
  std::lock_guard<std::mutex> lk(t.mu);
  auto it = t.atoms.find(atom);
  if (it == t.atoms.end()) return 0;
  const std::size_t n = std::min(it->second.name.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, it->second.name.data(), n);
  buffer[n] = '\0';
  return static_cast<UINT>(n);
}

ATOM GlobalDeleteAtom(ATOM atom) {
  Table& t = Atoms();
  std::lock_guard<std::mutex> lk(t.mu);
  auto it = t.atoms.find(atom);
  if (it != t.atoms.end() && --it->second.refs <= 0) {
    t.byName.erase(it->second.name);
    t.atoms.erase(it);
  }
  return 0;
}

}  // namespace afx
