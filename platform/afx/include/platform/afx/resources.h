#pragma once
// The program's resources as the framework loads them by id: menus, tool
// bars, accelerator tables and strings. There is no resource section on this
// platform: a program registers its own once, before its first frame loads
// them (a later registration under the same id replaces the earlier one).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/afx/cmd_target.h"

namespace afx {

// ---------------------------------------------------------------- menus
constexpr UINT MF_ENABLED = 0x0000, MF_GRAYED = 0x0001, MF_DISABLED = 0x0002, MF_UNCHECKED = 0x0000,
               MF_CHECKED = 0x0008, MF_POPUP = 0x0010, MF_SEPARATOR = 0x0800;
// The id of a separator (menus, tool bars) and of the status bar's message pane.
constexpr UINT ID_SEPARATOR = 0;

struct MenuItemResource {
  std::string text;  // "&" marks the mnemonic
  UINT id = 0;
  UINT flags = 0;  // MF_GRAYED, MF_SEPARATOR; a popup is an item with items
  std::vector<MenuItemResource> items;
};

// A separator line of a menu.
inline MenuItemResource MenuSeparator() { return {{}, ID_SEPARATOR, MF_SEPARATOR, {}}; }

// ---------------------------------------------------------------- tool bars
struct ToolBarResource {
  int width = 16;   // each button's image
  int height = 15;
  std::vector<UINT> items;  // command ids in order, ID_SEPARATOR between groups
  // The picture holding the images side by side, one per button (not per
  // separator), in the order of the buttons.
  std::string bitmap;
};

// ---------------------------------------------------------------- accelerators
constexpr std::uint8_t FVIRTKEY = 0x01, FSHIFT = 0x04, FCONTROL = 0x08, FALT = 0x10;
// Virtual keys the tables name besides letters and digits (their upper-case characters).
constexpr std::uint16_t VK_BACK = 0x08, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_INSERT = 0x2D,
                        VK_DELETE = 0x2E, VK_F1 = 0x70, VK_F6 = 0x75;

struct AccelEntry {
  std::uint8_t fVirt = FVIRTKEY;
  std::uint16_t key = 0;
  UINT cmd = 0;
  bool operator==(const AccelEntry&) const = default;
};

// ---------------------------------------------------------------- the table
void AfxRegisterMenu(UINT id, std::vector<MenuItemResource> menu);
void AfxRegisterToolBar(UINT id, ToolBarResource toolBar);
void AfxRegisterAccelerators(UINT id, std::vector<AccelEntry> table);
void AfxRegisterString(UINT id, std::string text);

const std::vector<MenuItemResource>* AfxFindMenu(UINT id);
const ToolBarResource* AfxFindToolBar(UINT id);
const std::vector<AccelEntry>* AfxFindAccelerators(UINT id);
std::optional<std::string> AfxFindString(UINT id);

// The string's part that the status bar shows for a command (before "\n"),
// and its tool tip (after it); empty when there is none.
std::string CommandPrompt(UINT id);
std::string CommandToolTip(UINT id);

// The framework's strings that the programs give.
constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;
constexpr UINT ID_INDICATOR_CAPS = 59137, ID_INDICATOR_NUM = 59138, ID_INDICATOR_SCRL = 59139;

}  // namespace afx
