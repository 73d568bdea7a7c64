#include "platform/afx/app.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/afx/automation.h"
#include "platform/ascii.h"
#include "platform/file_io.h"
#include "platform/format.h"
#include "platform/program_path.h"
#include "platform/shell.h"
#include "platform/ui/clock.h"

namespace afx {

namespace {
CWinApp* gApp = nullptr;
}  // namespace

CWinApp* AfxGetApp() { return gApp; }

CWnd* AfxGetMainWnd() { return gApp ? gApp->m_pMainWnd : nullptr; }

int AfxMessageBox(const std::string& text, unsigned flags) {
  plat::Application* loop = plat::Application::Current();
  if (!loop) return plat::SafeBoxAnswer(flags);
  return loop->MessageBox(AfxGetMainWnd(), text, gApp ? gApp->AppName() : std::string(), flags);
}

// ---------------------------------------------------------------- command line
void CCommandLineInfo::ParseParam(const std::string& param, BOOL flag, BOOL) {
  if (flag) {
    if (plat::SameText(param, "Embedding")) {
      m_bRunEmbedded = TRUE;
      m_bShowSplash = FALSE;
    } else if (plat::SameText(param, "Automation")) {
      m_bRunAutomated = TRUE;
      m_bShowSplash = FALSE;
    } else if (plat::SameText(param, "Unregister") || plat::SameText(param, "Unregserver")) {
      m_nShellCommand = AppUnregister;
    }
    return;
  }
  if (m_strFileName.empty()) {
    m_strFileName = param;
    if (m_nShellCommand == FileNew) m_nShellCommand = FileOpen;
  }
}

// ---------------------------------------------------------------- the application
CWinApp::CWinApp(std::string appName) : appName_(std::move(appName)) {
  if (gApp) {
    std::fprintf(stderr, "afx: a second application object was created\n");
    std::abort();
  }
  gApp = this;
  // The window thread waits for another program's lock on the store on the
  // program's clock, and never longer than the store allows.
  previousLockWait_ = plat::GetRegistryLockWait();
  plat::RegistryLockWait wait = previousLockWait_;
  wait.sleep = [](std::uint32_t ms) { plat::Sleep(ms); };
  plat::SetRegistryLockWait(std::move(wait));
}

CWinApp::~CWinApp() {
  if (m_pMainWnd) m_pMainWnd->DestroyWindow();
  DeleteDocTemplates();
  plat::SetRegistryLockWait(previousLockWait_);
  gApp = nullptr;
}

const MessageMap* CWinApp::GetMessageMap() const {
  static const MessageMap map{CCmdTarget::GetMessageMap(), {OnCommand(ID_APP_EXIT, &CWinApp::OnAppExit)}};
  return &map;
}

int CWinApp::Run() {
  if (plat::Application* loop = plat::Application::Current()) {
    loop->RunLoopUntil([this] {
      if (m_pMainWnd) OnIdle(0);
      return m_pMainWnd == nullptr;
    });
  }
  return ExitInstance();
}

BOOL CWinApp::OnIdle(long) {
  if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd)) frame->OnIdleUpdateCmdUI();
  return FALSE;
}

int CWinApp::ExitInstance() {
  COleObjectFactory::RevokeAll();
  return 0;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
  for (plat::Window* w = msg ? msg->hwnd : nullptr; w; w = w->GetParent()) {
    if (auto* wnd = dynamic_cast<CWnd*>(w); wnd && wnd->PreTranslateMessage(msg)) return TRUE;
  }
  return FALSE;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
  for (std::size_t i = 1; i < args_.size(); ++i) {
    const std::string& arg = args_[i];
    // "-" always starts a switch; "/" only when no other "/" follows, so
    // that "/Automation" is a switch and "/home/x/trace.log" a file.
    const bool flag = !arg.empty() && (arg[0] == '-' || (arg[0] == '/' && arg.find('/', 1) == std::string::npos));
    info.ParseParam(flag ? arg.substr(1) : arg, flag ? TRUE : FALSE, i + 1 == args_.size() ? TRUE : FALSE);
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      OnFileNew();
      return m_pMainWnd ? TRUE : FALSE;
    case CCommandLineInfo::FileOpen:
      return OpenDocumentFile(info.m_strFileName) ? TRUE : FALSE;
    case CCommandLineInfo::AppUnregister: {
      const BOOL removed = COleObjectFactory::UpdateRegistryAll(FALSE);
      if (!info.m_bRunEmbedded) {
        if (removed) {
          AfxMessageBox(plat::Format("%s wurde aus der Registrierung entfernt.", appName_),
                        plat::MB_OK | plat::MB_ICONINFORMATION);
        } else {
          AfxMessageBox(plat::Format("%s konnte nicht aus der Registrierung entfernt werden.", appName_),
                        plat::MB_OK | plat::MB_ICONEXCLAMATION);
        }
      }
      return FALSE;  // unregistering ends the start
    }
    default:
      return TRUE;
  }
}

// ---------------------------------------------------------------- profile
std::string CWinApp::ProfileKey(const std::string& section) const {
  return "Software\\" + registryKey_ + "\\" + appName_ + "\\" + section;
}

const plat::RegistryData* CWinApp::BatchData() const {
  if (!batch_) return nullptr;
  if (!batchData_) {
    batchData_.emplace();
    batchReadError_ = plat::Registry().Load(*batchData_);
  }
  return &*batchData_;
}

std::optional<plat::RegistryValue> CWinApp::ReadProfileValue(const std::string& section,
                                                             const std::string& entry) const {
  if (const plat::RegistryData* data = BatchData()) {
    const plat::RegistryValue* found = data->Find(ProfileKey(section), entry);
    if (!found) return std::nullopt;
    return *found;
  }
  plat::RegistryValue value;
  if (plat::Registry().ReadValue(ProfileKey(section), entry, value) != 0) return std::nullopt;
  return value;
}

UINT CWinApp::GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const {
  if (registryKey_.empty()) return static_cast<UINT>(defaultValue);
  const std::optional<plat::RegistryValue> v = ReadProfileValue(section, entry);
  return v && v->kind == plat::RegistryValue::Kind::kInteger ? v->integer : static_cast<UINT>(defaultValue);
}

std::string CWinApp::GetProfileString(const std::string& section, const std::string& entry,
                                      const std::string& defaultValue) const {
  if (registryKey_.empty()) return defaultValue;
  std::optional<plat::RegistryValue> v = ReadProfileValue(section, entry);
  return v && v->kind == plat::RegistryValue::Kind::kString ? std::move(v->text) : defaultValue;
}

BOOL CWinApp::WriteProfileInt(const std::string& section, const std::string& entry, int value) {
  if (registryKey_.empty()) return FALSE;
  const auto bits = static_cast<std::uint32_t>(value);
  if (batch_) {
    batch_->WriteInteger(ProfileKey(section), entry, bits);
    return TRUE;
  }
  return plat::Registry().WriteInteger(ProfileKey(section), entry, bits) == 0 ? TRUE : FALSE;
}

BOOL CWinApp::WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) {
  if (registryKey_.empty()) return FALSE;
  if (batch_) {
    batch_->WriteString(ProfileKey(section), entry, value);
    return TRUE;
  }
  return plat::Registry().WriteString(ProfileKey(section), entry, value) == 0 ? TRUE : FALSE;
}

void CWinApp::BeginProfileBatch() {
  batch_.emplace();
  batchData_.reset();
  batchReadError_ = 0;
}

int CWinApp::ProfileBatchReadError() const {
  BatchData();
  return batchReadError_;
}

BOOL CWinApp::CommitProfileBatch() {
  if (!batch_) return FALSE;
  plat::RegistryBatch batch = std::move(*batch_);
  batch_.reset();
  batchData_.reset();
  if (batch.Empty()) return TRUE;
  plat::Registry store;
  if (const int error = store.Apply(batch); error != 0) {
    // Nothing of the store is lost; what this run changed is, and the person
    // is told where to look.
    std::fprintf(stderr, "%s: the settings were not saved to %s: %s\n", appName_.c_str(), store.FilePath().c_str(),
                 plat::ErrorText(error).c_str());
    return FALSE;
  }
  return TRUE;
}

// ---------------------------------------------------------------- documents
void CWinApp::AddDocTemplate(CDocTemplate* tmpl) {
  if (tmpl) templates_.emplace_back(tmpl);
}

CDocument* CWinApp::OpenDocumentFile(const std::string& path) {
  CDocTemplate* tmpl = FirstDocTemplate();
  return tmpl ? tmpl->OpenDocumentFile(path) : nullptr;
}

void CWinApp::CloseAllDocuments() {
  for (auto& t : templates_) t->CloseAllDocuments();
}

void CWinApp::DeleteDocTemplates() {
  while (!templates_.empty()) templates_.pop_back();
}

void CWinApp::OnFileNew() {
  if (CDocTemplate* tmpl = FirstDocTemplate()) tmpl->OpenDocumentFile({});
}

void CWinApp::OnFileOpen() {
  plat::Application* loop = plat::Application::Current();
  if (!loop) return;
  plat::FileDialogRequest request;
  request.kind = plat::FileDialogKind::Open;
  request.title = "\xc3\x96" "ffnen";
  request.filter = kAllFilesFilter;
  request.options = plat::TOpenOptions(plat::ofFileMustExist) | plat::ofPathMustExist | plat::ofHideReadOnly;
  if (std::optional<std::string> path = loop->RunFileDialog(request)) OpenDocumentFile(*path);
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

std::string CWinApp::GetHelpFolder() const {
  return helpFolder_.empty() ? plat::ProgramDirectory() + "help/" + appName_ : helpFolder_;
}

std::string CWinApp::HelpTopicPath(std::uintptr_t topic) const {
  return GetHelpFolder() + "/" + std::to_string(topic) + ".html";
}

void CWinApp::WinHelp(std::uintptr_t data, UINT cmd) {
  if (cmd != HELP_CONTEXT) return;
  const std::string page = HelpTopicPath(data);
  struct stat st {};
  if (::stat(page.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    AfxMessageBox(plat::Format("Zu diesem Thema (%d) ist keine Hilfe installiert.\n\nDie Hilfeseite wird hier erwartet:\n%s",
                               static_cast<int>(data), page),
                  plat::MB_OK | plat::MB_ICONINFORMATION);
    return;
  }
  if (plat::OpenAddress(page) <= 32) {
    AfxMessageBox(plat::Format("Die Hilfeseite\n%s\nkann nicht angezeigt werden: kein Programm zum Anzeigen gefunden.", page),
                  plat::MB_OK | plat::MB_ICONEXCLAMATION);
  }
}

// ---------------------------------------------------------------- start and end
int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  app->SetCommandLine(std::move(args));
  int code = 0;
  if (app->InitInstance()) {
    code = app->Run();
  } else {
    code = app->ExitInstance();
  }
  // Windows and documents go while the window core still runs.
  if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
  app->DeleteDocTemplates();
  return code;
}

// ---------------------------------------------------------------- automation lifetime
BOOL AfxOleInit() { return TRUE; }

void AfxOleLockApp() {
  if (gApp) ++gApp->m_nObjectLocks;
}

void AfxOleUnlockApp() {
  if (!gApp || gApp->m_nObjectLocks <= 0) return;
  if (--gApp->m_nObjectLocks == 0 && !gApp->m_bUserCtrl && gApp->m_pMainWnd) {
    gApp->m_pMainWnd->PostMessage(WM_CLOSE);
  }
}

BOOL AfxOleCanExitApp() { return !gApp || gApp->m_nObjectLocks == 0 ? TRUE : FALSE; }

BOOL AfxOleGetUserCtrl() { return gApp ? gApp->m_bUserCtrl : TRUE; }

void AfxOleSetUserCtrl(BOOL userCtrl) {
  if (gApp) gApp->m_bUserCtrl = userCtrl;
}

}  // namespace afx
