#include "lorvex/lorvex_app.h"

#include <cstdio>

#include "lorvex/dlg_info.h"
#include "lorvex/logo_wnd.h"
#include "lorvex/lorvex_doc.h"
#include "lorvex/lorvex_view.h"
#include "lorvex/main_frame.h"
#include "lorvex/version_info.h"
#include "platform/file_io.h"
#include "platform/format.h"
#include "platform/program_path.h"

namespace {

struct IntSetting {
  const char* section;
  const char* name;
  int defaultValue;
  int CLorvexApp::*member;
};

// The frame geometry and the column flags, in the order they are read and written.
constexpr IntSetting kGeneralAndOptions[] = {
    {"General", "SizeX", 200, &CLorvexApp::SizeX},       {"General", "SizeY", 300, &CLorvexApp::SizeY},
    {"General", "PositionX", 50, &CLorvexApp::PositionX}, {"General", "PositionY", 50, &CLorvexApp::PositionY},
    {"Option", "Name", 1, &CLorvexApp::Name},             {"Option", "Datum", 1, &CLorvexApp::Datum},
    {"Option", "Uhrzeit", 1, &CLorvexApp::Uhrzeit},       {"Option", "Ausgabewert", 1, &CLorvexApp::Ausgabewert},
};

constexpr const char* kIds = "IDS";
constexpr const char* kDefaultTraceFile = "c:\\Trace.txt";

}  // namespace

CLorvexApp* LorvexApp() { return dynamic_cast<CLorvexApp*>(afx::AfxGetApp()); }

CLorvexApp::CLorvexApp() : afx::CWinApp(kLorvexAppName) {}

CLorvexApp::~CLorvexApp() {
  TraceSocket.Close();
  TraceEntries.clear();
  RowMap.clear();
  for (TraceIdSettings& s : IdSettings) s = TraceIdSettings{};
}

const afx::MessageMap* CLorvexApp::GetMessageMap() const {
  static const afx::MessageMap map{
      CWinApp::GetMessageMap(),
      {afx::OnCommand(afx::ID_APP_ABOUT, &CLorvexApp::OnAppAbout), afx::OnCommand(afx::ID_HELP, &CLorvexApp::OnHelp),
       afx::OnCommand(ID_HELP_TOPIC5, &CLorvexApp::OnHelpTopic5),
       afx::OnCommand(afx::ID_FILE_NEW, &CWinApp::OnFileNew), afx::OnCommand(afx::ID_FILE_OPEN, &CWinApp::OnFileOpen),
       afx::OnCommand(afx::ID_FILE_PRINT_SETUP, &CWinApp::OnFilePrintSetup)}};
  return &map;
}

afx::BOOL CLorvexApp::InitInstance() {
  RegisterLorvexResources();
  afx::CCommandLineInfo first;
  ParseCommandLine(first);
  CLogoWnd::EnableLogo(first.m_bShowSplash);

  if (!afx::AfxOleInit()) return afx::FALSE;
  afx::AfxEnableControlContainer();

  SetRegistryKey("TRACE");
  LoadStdProfileSettings(0);
  ReadSettings();

  auto* tmpl = new afx::CSingleDocTemplate(IDR_MAINFRAME, kLorvexDocString, afx::RuntimeClass<CLorvexDoc>("CLorvexDoc"),
                                           afx::RuntimeClass<CMainFrame>("CMainFrame"),
                                           afx::RuntimeClass<CLorvexView>("CLorvexView"));
  AddDocTemplate(tmpl);
  TemplateServer.ConnectTemplate(kLorvexDocClassId, tmpl, afx::TRUE);

  afx::CCommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);
  if (cmdInfo.m_bRunEmbedded || cmdInfo.m_bRunAutomated) afx::COleObjectFactory::RegisterAll();

  TemplateServer.UpdateRegistry(afx::COleTemplateServer::OAT_DISPATCH_OBJECT);
  afx::COleObjectFactory::UpdateRegistryAll();

  if (!ProcessShellCommand(cmdInfo)) return afx::FALSE;

  m_pMainWnd->ShowWindow(afx::SW_SHOW);
  m_pMainWnd->UpdateWindow();

  // Trace messages come in from now on; a viewer started for a client does
  // not trouble the person when another viewer has the socket.
  TraceSocket.Open(!(cmdInfo.m_bRunEmbedded || cmdInfo.m_bRunAutomated));

  RegisterInstalledComponent("Lorvex", "Lorvex Debugging Tool", nullptr);
  return afx::TRUE;
}

afx::BOOL CLorvexApp::PreTranslateMessage(afx::MSG* msg) {
  if (CLogoWnd::PreTranslateAppMessage(msg)) return afx::TRUE;
  return CWinApp::PreTranslateMessage(msg);
}

int CLorvexApp::ExitInstance() {
  TraceSocket.Close();
  if (settingsLoaded_) WriteSettings();
  return CWinApp::ExitInstance();
}

void CLorvexApp::ReadSettings() {
  // One read of the store for all of them.
  BeginProfileBatch();
  for (const IntSetting& s : kGeneralAndOptions) {
    this->*s.member = static_cast<int>(GetProfileInt(s.section, s.name, s.defaultValue));
  }
  for (int n = 1; n <= kTraceChannels; ++n) {
    TraceIdSettings& ch = Channel(n);
    ch.Color = GetProfileInt(kIds, plat::Format("ID%dColor", n), (n - 1) * 10000);
    ch.Medium = GetProfileInt(kIds, plat::Format("ID%dMedium", n), 1);
    ch.File = GetProfileString(kIds, plat::Format("ID%dFile", n), kDefaultTraceFile);
    ch.Visible = static_cast<int>(GetProfileInt(kIds, plat::Format("ID%dVisible", n), 1));
  }
  const int error = ProfileBatchReadError();
  CommitProfileBatch();
  // A store that cannot be read (a FIFO, a directory, no permission) is not
  // this run's to replace: the run goes on with the defaults and saves nothing.
  settingsLoaded_ = error == 0;
  if (error != 0) {
    std::fprintf(stderr, "Lorvex: the settings in %s cannot be read: %s; the defaults are used and nothing is saved\n",
                 plat::Registry().FilePath().c_str(), plat::ErrorText(error).c_str());
  }
}

void CLorvexApp::WriteSettings() {
  // One rewrite of the store: two viewers ending together leave the values
  // of one of them, never a mixture or a torn file.
  BeginProfileBatch();
  for (const IntSetting& s : kGeneralAndOptions) WriteProfileInt(s.section, s.name, this->*s.member);
  for (int n = 1; n <= kTraceChannels; ++n) {
    const TraceIdSettings& ch = Channel(n);
    WriteProfileInt(kIds, plat::Format("ID%dColor", n), static_cast<int>(ch.Color));
    WriteProfileInt(kIds, plat::Format("ID%dMedium", n), static_cast<int>(ch.Medium));
    WriteProfileString(kIds, plat::Format("ID%dFile", n), ch.File);
    WriteProfileInt(kIds, plat::Format("ID%dVisible", n), ch.Visible);
  }
  CommitProfileBatch();
}

void CLorvexApp::OnAppAbout() {
  CDlgInfo dlg;
  dlg.DoModal();
}

void CLorvexApp::OnHelp() { WinHelp(1, afx::HELP_CONTEXT); }

void CLorvexApp::OnHelpTopic5() { WinHelp(5, afx::HELP_CONTEXT); }
