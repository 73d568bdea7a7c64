// The web version check: the progress window and the command.
#include "lorvex/update_check.h"

#include <strings.h>

#include "lorvex/lorvex_app.h"
#include "lorvex/web_update_agent.h"
#include "platform/afx/resources.h"
#include "platform/format.h"
#include "platform/shell.h"

namespace {

std::string LoadText(afx::UINT id) { return afx::AfxFindString(id).value_or(""); }

// The hourglass over the whole viewer while the check runs.
class WaitCursor {
 public:
  WaitCursor() {
    if (screen_) {
      previous_ = screen_->Cursor;
      screen_->Cursor = plat::crHourGlass;
    }
  }
  ~WaitCursor() {
    if (screen_) screen_->Cursor = previous_;
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  plat::Screen* screen_ = plat::Application::Current() ? plat::Application::Current()->GetScreen() : nullptr;
  plat::TCursor previous_ = plat::crDefault;
};

}  // namespace

void RegisterUpdateCheckResources() {
  afx::AfxRegisterDialog(IDD_UPDATE_PROGRESS,
                         {afx::WS_POPUP | afx::WS_CAPTION | afx::WS_SYSMENU | afx::DS_MODALFRAME | afx::DS_3DLOOK,
                          0,
                          0,
                          0,
                          186,
                          46,
                          "Checking WWW for new version",
                          "MS Sans Serif",
                          8,
                          {afx::Control("", IDC_UPDATE_PROGRESS, afx::PROGRESS_CLASS, afx::WS_BORDER, 7, 7, 172, 14),
                           afx::LText("Static", IDC_UPDATE_STATUS, 7, 27, 172, 12)}});
  const struct {
    afx::UINT id;
    const char* text;
  } strings[] = {
      {IDS_CHECK_CAPTION, kCheckCaption}, {IDS_NO_NEW_VERSION, kNoNewVersion}, {IDS_NEW_VERSION, kNewVersion},
      {IDS_CONNECTING, kConnecting},      {IDS_INITIATING, kInitiating},       {IDS_RETRIEVING, kRetrieving},
      {IDS_ANALYZING, kAnalyzing},        {IDS_CHECK_FAILED, kCheckFailed},
  };
  for (const auto& s : strings) afx::AfxRegisterString(s.id, s.text);
}

bool IsWebAddress(const std::string& address) {
  return strncasecmp(address.c_str(), "http://", 7) == 0 || strncasecmp(address.c_str(), "https://", 8) == 0;
}

// ---------------------------------------------------------------- CDlgUpdateProgress
CDlgUpdateProgress::CDlgUpdateProgress(afx::CWnd* parent) : CDialog(IDD_UPDATE_PROGRESS, parent) {}

CDlgUpdateProgress::~CDlgUpdateProgress() = default;

const afx::MessageMap* CDlgUpdateProgress::GetMessageMap() const {
  static const afx::MessageMap map{CDialog::GetMessageMap(), {}};
  return &map;
}

void CDlgUpdateProgress::DoDataExchange(afx::CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  afx::DDX_Control(dx, IDC_UPDATE_PROGRESS, m_ctlProgress);
  afx::DDX_Text(dx, IDC_UPDATE_STATUS, m_strStatus);
}

afx::BOOL CDlgUpdateProgress::OnInitDialog() { return CDialog::OnInitDialog(); }

bool CDlgUpdateProgress::OnAgentProgress(int stage, void* window) {
  auto* dlg = static_cast<CDlgUpdateProgress*>(window);
  if (dlg) dlg->m_ctlProgress.StepIt();
  static constexpr afx::UINT kStageTexts[] = {IDS_CONNECTING, IDS_INITIATING, IDS_RETRIEVING, IDS_ANALYZING};
  if (dlg && stage >= 0 && stage < 4) {
    dlg->m_strStatus = LoadText(kStageTexts[stage]);
    dlg->UpdateData(afx::FALSE);
    // The check holds the loop: the window shows its stage now.
    dlg->UpdateWindow();
  }
  return true;
}

// ---------------------------------------------------------------- the check
void CLorvexApp::CheckForNewVersion(afx::CWnd* parent, bool mayNotDial, bool report) {
  const std::string url = VersionFileUrl();
  CWebUpdateAgent agent(url.c_str(), m_hInstance);
  WaitCursor wait;

  CDlgUpdateProgress progress(parent);
  const bool shown = progress.Create(IDD_UPDATE_PROGRESS, m_pMainWnd);
  if (shown) {
    progress.ShowWindow(afx::SW_SHOW);
    progress.UpdateWindow();
    progress.m_ctlProgress.SetRange32(0, agent.GetStepCount());
    progress.m_ctlProgress.SetStep(1);
    agent.SetProgressCallback(&CDlgUpdateProgress::OnAgentProgress, &progress);
  }
  // Without its own version the viewer cannot tell whether the server's is
  // newer: the check has failed, and nothing is asked of the server.
  const bool ownVersion = agent.GetVersion()[0] != '\0';
  const bool ok = ownVersion && agent.Run(mayNotDial);
  if (shown && progress.IsWindowCreated()) progress.DestroyWindow();
  if (!report) return;

  const std::string caption = LoadText(IDS_CHECK_CAPTION);
  if (ok && agent.IsNewVersionAvailable()) {
    WebVersionInfo info;
    agent.GetVersionInfo(info);
    const std::string text = plat::Format(kNewVersion, info.Version, info.Date, info.Size);
    if (plat::MessageBox(m_pMainWnd, text, caption, plat::MB_YESNO) == plat::IDYES && IsWebAddress(info.Info)) {
      plat::OpenAddress(info.Info);
    }
  } else if (ok) {
    plat::MessageBox(m_pMainWnd, LoadText(IDS_NO_NEW_VERSION), caption, plat::MB_OK);
  } else {
    plat::MessageBox(m_pMainWnd, LoadText(IDS_CHECK_FAILED), caption, plat::MB_OK);
  }
}
