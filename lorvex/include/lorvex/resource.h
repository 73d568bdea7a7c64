#pragma once
// Resource and command ids of the viewer.

#include "platform/afx/cmd_target.h"

// Menu, tool bar, accelerators, icon and document string of the main frame.
constexpr afx::UINT IDR_MAINFRAME = 128;

// The document string: window title, document name, new-file name, filter
// name, filter extension, registry type id (the ProgID), registry type name.
inline constexpr const char* kLorvexDocString = "Lorvex V.1.4.1\n\nLorvex\n\n\nLorvex.Document\nLorvex Document";
// The application-title string (the profile's name under the registry key).
inline constexpr const char* kLorvexAppName = "Lorvex";
// The class id of the automation object "Lorvex.Document".
inline constexpr const char* kLorvexDocClassId = "{7155F624-53B5-11D1-8100-8D424B0D420C}";
// Its dispatch interface.
inline constexpr const char* kLorvexDocInterfaceId = "{7155F626-53B5-11D1-8100-8D424B0D420C}";

// The viewer's own commands.
constexpr afx::UINT ID_CLEAR_LIST = 32771;         // "Liste &löschen...."
constexpr afx::UINT ID_START_OUTPUT = 32772;       // "&Starten"
constexpr afx::UINT ID_STOP_OUTPUT = 32773;        // "S&toppen"
constexpr afx::UINT ID_OPTIONS = 32777;            // "&Optionen..."
constexpr afx::UINT ID_DISPLAY_SELECTION = 32778;  // "&Anzeige von..."
constexpr afx::UINT ID_ALWAYS_ON_TOP = 32780;      // "Immer im &Vordergrund" (nothing handles it)
constexpr afx::UINT ID_HELP_TOPIC5 = 32781;        // no menu item, tool button or key sends it
constexpr afx::UINT ID_FIND = 32782;               // "&Suchen..."
constexpr afx::UINT ID_FIND_NEXT = 32783;          // "&Weitersuchen" (nothing handles it)
constexpr afx::UINT ID_CHECK_VERSION = 32784;      // "Auf neue &Version prüfen"

// Framework commands that only the accelerators name.
constexpr afx::UINT ID_EDIT_COPY = 57634, ID_EDIT_CUT = 57635, ID_EDIT_PASTE = 57637, ID_EDIT_UNDO = 57643,
                    ID_NEXT_PANE = 57680, ID_PREV_PANE = 57681;
constexpr afx::UINT ID_VIEW_TOOLBAR = afx::AFX_IDW_TOOLBAR, ID_VIEW_STATUS_BAR = afx::AFX_IDW_STATUS_BAR;

// The picture of tool bar 128: its button images side by side, 16 x 15 each.
inline constexpr const char* kToolBarBitmap = "LorvexToolBar";

// The info dialog (template 100) and its homepage link.
constexpr afx::UINT IDD_ABOUTBOX = 100;
constexpr afx::UINT IDC_HOMEPAGE = 1020;
// Bitmaps: the splash picture, the info dialog's banner, the option pages' art.
constexpr afx::UINT IDB_LOGO = 102, IDB_INFO = 136, IDB_COLUMNS = 138, IDB_COLOURS = 139, IDB_MEDIA = 140;
// The embedded pictures' names (bitmap n is "LORVEX_BITMAP_<n>"; icon 128 the frame's).
inline constexpr const char* kFrameIcon = "LORVEX_ICON_128";

// Registers the embedded bitmaps and the icon (RegisterLorvexResources does).
void RegisterLorvexPictures();

// Registers menu 128, tool bar 128, accelerators 128 and the string table
// with the framework (before the first frame loads them).
void RegisterLorvexResources();

// The channels 1 to 30 of the trace protocol.
constexpr int kTraceChannels = 30;
