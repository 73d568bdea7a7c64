#include "kestrum/app/pictures.h"

#include "platform/ui/canvas.h"

namespace kestrum {
namespace {

struct Picture {
  const char* name;
  int width;
  int height;
};

// Name and size of every picture; what each shows is the backend's business.
constexpr Picture kPictures[] = {
    // Splash, chooser buttons
    {"SPLASH", 489, 367},
    {"HW_CALVORY", 96, 72}, {"HW_MERROW", 96, 72}, {"HW_GADROW", 96, 72}, {"HW_WENLOW", 96, 72},
    // Board selector: activate (two states side by side) and update pictures per kind
    {"ACTIVE_Calvory", 64, 32}, {"UPDATE_Calvory", 32, 32},
    {"ACTIVE_Sandle", 64, 32}, {"UPDATE_Sandle", 32, 32},
    {"ACTIVE_Gadrow", 64, 32}, {"UPDATE_Gadrow", 32, 32},
    // Tool bar
    {"TB_EXIT", 32, 32}, {"TB_RESET", 32, 32}, {"TB_SEARCH", 32, 32}, {"TB_DIAGNOSE", 32, 32},
    {"TB_NEWDEVICE", 32, 32}, {"TB_STARTALL", 32, 32}, {"TB_STOPALL", 32, 32},
    {"TB_CLEAR", 32, 32}, {"TB_EXPORT", 32, 32}, {"TB_IMPORT", 32, 32},
    // Configuration trees (ImageList_Device, 32 x 32) and the trash
    {"TREE_NETWORK", 32, 32}, {"TREE_MASTER", 32, 32}, {"TREE_DEVICE", 32, 32},
    {"TREE_POLL", 32, 32}, {"TREE_STROBE", 32, 32}, {"TREE_COS", 32, 32}, {"TREE_CYCLIC", 32, 32},
    {"REC_EMPTY", 48, 48}, {"REC_ITEM", 48, 48},
    // I/O monitor page and detail panel
    {"SLOT_DEVICE", 32, 32}, {"IO_START", 24, 24}, {"IO_STOP", 24, 24}, {"IO_REFRESH", 24, 24},
    {"ATTR_GET", 24, 24}, {"ATTR_SET", 24, 24},
    // Please-wait window, search wait window, diagnosis dialog
    {"WAIT_PANEL", 609, 259}, {"SEARCH_PANEL", 389, 99}, {"DIAG_START", 64, 24},
    {"CONN_POLL", 32, 32}, {"CONN_STROBE", 32, 32}, {"CONN_COS", 32, 32}, {"CONN_CYCLIC", 32, 32},
    // New-device dialog, MAC ID and baud-rate dialog
    {"NEW_DEVICE", 64, 64}, {"MACID_PANEL", 413, 207}, {"MACID_OK", 48, 48}, {"MACID_CANCEL", 48, 48},
    // About box
    {"ABOUT_LOGO", 505, 89},
    {"PRODUCT_1", 420, 300}, {"PRODUCT_2", 420, 300}, {"PRODUCT_3", 420, 300}, {"PRODUCT_4", 420, 300},
    {"PRODUCT_5", 420, 300}, {"PRODUCT_6", 420, 300}, {"PRODUCT_7", 420, 300}, {"PRODUCT_8", 420, 300},
    {"PRODUCT_9", 420, 300}, {"PRODUCT_10", 420, 300},
};

}  // namespace

void DeclarePictures() {
  static const bool declared = [] {
    for (const Picture& p : kPictures) plat::RegisterPictureResource(p.name, p.width, p.height);
    return true;
  }();
  (void)declared;
}

}  // namespace kestrum
