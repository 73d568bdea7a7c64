// Menu 128, tool bar 128, accelerators 128 and the string table of the
// viewer. The texts are UTF-8; "&" marks a mnemonic.
#include "lorvex/resource.h"

#include "lorvex/dlg_info.h"
#include "lorvex/option_dialogs.h"

#include "lorvex/update_check.h"
#include "platform/afx/resources.h"

namespace {

using afx::MenuItemResource;
using afx::MenuSeparator;

MenuItemResource Item(const char* text, afx::UINT id, afx::UINT flags = 0) { return {text, id, flags, {}}; }

std::vector<MenuItemResource> MainMenu() {
  return {
      {"&Datei",
       0,
       0,
       {Item("Speichern &unter...", afx::ID_FILE_SAVE_AS, afx::MF_GRAYED), MenuSeparator(),
        Item("&Drucken...", afx::ID_FILE_PRINT, afx::MF_GRAYED), MenuSeparator(), Item("&Beenden", afx::ID_APP_EXIT)}},
      {"&Bearbeiten",
       0,
       0,
       {Item("&Suchen...", ID_FIND, afx::MF_GRAYED), Item("&Weitersuchen", ID_FIND_NEXT, afx::MF_GRAYED)}},
      {"Aus&gabe",
       0,
       0,
       {Item("&Starten", ID_START_OUTPUT), Item("S&toppen", ID_STOP_OUTPUT), MenuSeparator(),
        Item("Liste &l\xc3\xb6schen....", ID_CLEAR_LIST)}},
      {"&Einstellungen",
       0,
       0,
       {Item("&Optionen...", ID_OPTIONS), Item("&Anzeige von...", ID_DISPLAY_SELECTION), MenuSeparator(),
        Item("Immer im &Vordergrund", ID_ALWAYS_ON_TOP, afx::MF_GRAYED)}},
      {"&Ansicht", 0, 0, {Item("&Symbolleiste", ID_VIEW_TOOLBAR), Item("S&tatusleiste", ID_VIEW_STATUS_BAR)}},
      {"&?",
       0,
       0,
       {Item("&Hilfe", afx::ID_HELP), MenuSeparator(), Item("Auf neue &Version pr\xc3\xbc" "fen", ID_CHECK_VERSION),
        MenuSeparator(), Item("Inf&o \xc3\xbc" "ber Lorvex...", afx::ID_APP_ABOUT)}},
  };
}

constexpr std::uint8_t kCtrl = afx::FVIRTKEY | afx::FCONTROL, kShift = afx::FVIRTKEY | afx::FSHIFT,
                       kAlt = afx::FVIRTKEY | afx::FALT, kKey = afx::FVIRTKEY;

}  // namespace

void RegisterLorvexResources() {
  RegisterLorvexPictures();
  RegisterOptionDialogTemplates();
  RegisterUpdateCheckResources();
  RegisterInfoDialogTemplate();
  afx::AfxRegisterMenu(IDR_MAINFRAME, MainMenu());
  afx::AfxRegisterToolBar(IDR_MAINFRAME,
                          {16,
                           15,
                           {afx::ID_FILE_SAVE_AS, afx::ID_FILE_PRINT, afx::ID_SEPARATOR, ID_CLEAR_LIST, afx::ID_SEPARATOR,
                            ID_START_OUTPUT, ID_STOP_OUTPUT, afx::ID_SEPARATOR, afx::ID_APP_ABOUT},
                           kToolBarBitmap});
  afx::AfxRegisterAccelerators(IDR_MAINFRAME, {
                                                  {kCtrl, 'N', afx::ID_FILE_NEW},
                                                  {kCtrl, 'O', afx::ID_FILE_OPEN},
                                                  {kCtrl, 'S', afx::ID_FILE_SAVE},
                                                  {kCtrl, 'Z', ID_EDIT_UNDO},
                                                  {kAlt, afx::VK_BACK, ID_EDIT_UNDO},
                                                  {kCtrl, 'X', ID_EDIT_CUT},
                                                  {kShift, afx::VK_DELETE, ID_EDIT_CUT},
                                                  {kCtrl, 'C', ID_EDIT_COPY},
                                                  {kCtrl, afx::VK_INSERT, ID_EDIT_COPY},
                                                  {kCtrl, 'V', ID_EDIT_PASTE},
                                                  {kShift, afx::VK_INSERT, ID_EDIT_PASTE},
                                                  {kKey, afx::VK_F6, ID_NEXT_PANE},
                                                  {kShift, afx::VK_F6, ID_PREV_PANE},
                                              });
  const struct {
    afx::UINT id;
    const char* text;
  } strings[] = {
      {afx::ID_FILE_SAVE_AS, "Speichert das aktive Dokument unter neuem Namen.\nSpeichern unter"},
      {afx::ID_FILE_PRINT, "Druckt das aktive Dokument.\nDrucken"},
      {ID_CLEAR_LIST, "L\xc3\xb6scht das aktive Dokument.\nEintr\xc3\xa4ge l\xc3\xb6schen"},
      {ID_START_OUTPUT, "Startet die Aufzeichnung.\nStart"},
      {ID_STOP_OUTPUT, "Stopt die Aufzeichnung.\nStop"},
      {afx::ID_APP_EXIT, "Verl\xc3\xa4\xc3\x9ft die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden"},
      {ID_VIEW_TOOLBAR, "Blendet die Symbolleiste ein oder aus.\nSymbolleiste ein-/ausschalten"},
      {ID_VIEW_STATUS_BAR, "Blendet die Statusleiste ein oder aus.\nStatusleiste ein-/ausschalten"},
      {afx::AFX_IDS_IDLEMESSAGE, "Bereit"},
      {afx::ID_INDICATOR_CAPS, "UF"},
      {afx::ID_INDICATOR_NUM, "NUM"},
      {afx::ID_INDICATOR_SCRL, "RF"},
  };
  for (const auto& s : strings) afx::AfxRegisterString(s.id, s.text);
}
