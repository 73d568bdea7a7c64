#pragma once
// The web version check's window: the small progress window shown while the
// check runs (dialog 145), and the texts of the check.

#include <string>

#include "platform/afx/dialog.h"

constexpr afx::UINT IDD_UPDATE_PROGRESS = 145;
constexpr afx::UINT IDC_UPDATE_PROGRESS = 1021;  // the progress bar
constexpr afx::UINT IDC_UPDATE_STATUS = 1022;    // the stage's text

// The string table's texts of the check (ids 3 to 10).
constexpr afx::UINT IDS_CHECK_CAPTION = 3, IDS_NO_NEW_VERSION = 4, IDS_NEW_VERSION = 5, IDS_CONNECTING = 6,
                    IDS_INITIATING = 7, IDS_RETRIEVING = 8, IDS_ANALYZING = 9, IDS_CHECK_FAILED = 10;
inline constexpr char kCheckCaption[] = "Checking web for new version...";
inline constexpr char kNoNewVersion[] = "Sorry, no new version available.";
inline constexpr char kNewVersion[] =
    "A new version of Lorvex is available.\n\nDetails:\nVersion: \t%s\nDate: \t%s\nSize: \t%s\n\n"
    "Would you like to go to the Orrindale website ?";
inline constexpr char kConnecting[] = "Connecting...";
inline constexpr char kInitiating[] = "Initiating...";
inline constexpr char kRetrieving[] = "Retrieving data from server...";
inline constexpr char kAnalyzing[] = "Analyzing data...";
inline constexpr char kCheckFailed[] =
    "An error occured while checking version or while attempting to go online. Please go online manually and try "
    "again.";

// Registers template 145 and strings 3 to 10.
void RegisterUpdateCheckResources();

// Whether the information page named by the server may be opened: only a
// web address (http or https), which the desktop's handler opens.
bool IsWebAddress(const std::string& address);

class CDlgUpdateProgress : public afx::CDialog {
 public:
  explicit CDlgUpdateProgress(afx::CWnd* parent = nullptr);
  ~CDlgUpdateProgress() override;
  const char* ClassName() const override { return "CDlgUpdateProgress"; }
  const afx::MessageMap* GetMessageMap() const override;
  void DoDataExchange(afx::CDataExchange* dx) override;
  afx::BOOL OnInitDialog() override;

  // The agent's stage callback: advances the bar of the window (when there
  // is one) and shows the stage's text (stages 0 to 3).
  static bool OnAgentProgress(int stage, void* window);

  afx::CProgressCtrl m_ctlProgress;
  std::string m_strStatus;
};
