#pragma once
// The viewer's application object: the one owner of everything the viewer
// knows (frame geometry, column flags, channel settings, the kept traces).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lorvex/resource.h"
#include "lorvex/trace_socket.h"
#include "lorvex/trace_store.h"
#include "platform/afx/app.h"
#include "platform/afx/automation.h"

// One channel's settings; channel n is entry n-1 of the table.
struct TraceIdSettings {
  std::uint32_t Color = 0;   // text colour, 0x00BBGGRR
  std::uint32_t Medium = 0;  // 1 window (the list), 2 printer (kept, never acted on), 4 file
  std::string File;          // the channel's trace file
  int Visible = 0;           // the channel's rows are shown in the list
};

// Media bits.
constexpr std::uint32_t kMediumWindow = 1, kMediumPrinter = 2, kMediumFile = 4;

class CLorvexApp : public afx::CWinApp {
 public:
  CLorvexApp();
  ~CLorvexApp() override;

  afx::COleTemplateServer TemplateServer;
  int SizeX = 0;
  int SizeY = 0;
  int PositionX = 0;
  int PositionY = 0;
  int Name = 0;
  int Datum = 0;
  int Uhrzeit = 0;
  int Ausgabewert = 0;
  TraceIdSettings IdSettings[kTraceChannels];
  TraceStore TraceEntries;
  RowIndex RowMap;
  int Stopped = 0;
  // Where trace messages from other processes come in (opened at start).
  CTraceSocket TraceSocket;

  const afx::MessageMap* GetMessageMap() const override;
  afx::BOOL InitInstance() override;
  afx::BOOL PreTranslateMessage(afx::MSG* msg) override;
  int ExitInstance() override;

  void OnAppAbout();
  void OnHelp();
  void OnHelpTopic5();
  // The web version check: fetches the server's version file and tells the
  // person (report) whether a newer viewer exists; on request opens its page.
  void CheckForNewVersion(afx::CWnd* parent, bool mayNotDial, bool report);

  // The settings of channel id (1 to 30).
  TraceIdSettings& Channel(int id) { return IdSettings[id - 1]; }
  bool SettingsLoaded() const { return settingsLoaded_; }

 private:
  void ReadSettings();
  void WriteSettings();
  // Set once the settings were read from the store: values never loaded, or
  // loaded from a store that could not be read, are never written back.
  bool settingsLoaded_ = false;
};

// The current application object as the viewer's (null when there is none
// or it is another program's).
CLorvexApp* LorvexApp();

