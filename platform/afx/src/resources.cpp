#include "platform/afx/resources.h"

#include <map>

namespace afx {

namespace {
struct Table {
  std::map<UINT, std::vector<MenuItemResource>> menus;
  std::map<UINT, ToolBarResource> toolBars;
  std::map<UINT, std::vector<AccelEntry>> accelerators;
  std::map<UINT, std::string> strings;
};

// Filled on the window thread at start and only read afterwards.
Table& Resources() {
  static auto* table = new Table;
  return *table;
}

template <class Map>
const typename Map::mapped_type* Find(const Map& map, UINT id) {
  auto it = map.find(id);
  return it == map.end() ? nullptr : &it->second;
}
}  // namespace

void AfxRegisterMenu(UINT id, std::vector<MenuItemResource> menu) { Resources().menus[id] = std::move(menu); }
void AfxRegisterToolBar(UINT id, ToolBarResource toolBar) { Resources().toolBars[id] = std::move(toolBar); }
void AfxRegisterAccelerators(UINT id, std::vector<AccelEntry> table) {
  Resources().accelerators[id] = std::move(table);
}
void AfxRegisterString(UINT id, std::string text) { Resources().strings[id] = std::move(text); }

const std::vector<MenuItemResource>* AfxFindMenu(UINT id) { return Find(Resources().menus, id); }
const ToolBarResource* AfxFindToolBar(UINT id) { return Find(Resources().toolBars, id); }
const std::vector<AccelEntry>* AfxFindAccelerators(UINT id) { return Find(Resources().accelerators, id); }

std::optional<std::string> AfxFindString(UINT id) {
  if (const std::string* s = Find(Resources().strings, id)) return *s;
  return std::nullopt;
}

std::string CommandPrompt(UINT id) {
  const std::string s = AfxFindString(id).value_or("");
  return s.substr(0, s.find('\n'));
}

std::string CommandToolTip(UINT id) {
  const std::string s = AfxFindString(id).value_or("");
  const std::size_t nl = s.find('\n');
  return nl == std::string::npos ? std::string() : s.substr(nl + 1);
}

}  // namespace afx
