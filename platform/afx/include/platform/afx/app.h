#pragma once
// The application object of the frame/document/view façade, its command
// line and its profile (the settings kept in the per-user registry store).
//
// One CWinApp-derived object exists at a time; constructing it makes it the
// current application (AfxGetApp). It runs on the window core's application
// loop: the program creates a plat::Application (and its backend) first and
// then calls AfxWinMain, which runs InitInstance, the loop while the main
// window lives, and ExitInstance (also after a failed InitInstance).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/afx/document.h"
#include "platform/registry.h"

namespace afx {

// ---------------------------------------------------------------- command line
class CCommandLineInfo {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };
  virtual ~CCommandLineInfo() = default;

  // One argument: flag says it came after "-", or after "/" with no other
  // "/" in it (a path is a file name); param no longer holds that character.
  // Switches compare without regard to case: "Embedding" and "Automation"
  // clear the splash flag and ask for the automation server; "Unregister"
  // and "Unregserver" remove the server's registration. The first plain
  // argument names a file to open; unknown switches are ignored.
  virtual void ParseParam(const std::string& param, BOOL flag, BOOL last);

  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  int m_nShellCommand = FileNew;
  std::string m_strFileName;
};

// ---------------------------------------------------------------- the application
class CWinApp : public CCmdTarget {
 public:
  // appName: the application's title string, the profile's name under the registry key.
  explicit CWinApp(std::string appName);
  ~CWinApp() override;

  virtual BOOL InitInstance() { return TRUE; }
  // Turns the loop while the main window exists, then ExitInstance. Each
  // turn first gives the application its idle time.
  virtual int Run();
  // The main frame's bars show their commands' states. Answers whether more
  // idle time is wanted (never).
  virtual BOOL OnIdle(long count);
  virtual int ExitInstance();
  // Every queue message first: the windows from the addressed one up to its
  // top-level window get their PreTranslateMessage; TRUE consumes the message.
  virtual BOOL PreTranslateMessage(MSG* msg);

  // The arguments as main() got them (argv[0] is the program).
  void SetCommandLine(std::vector<std::string> args) { args_ = std::move(args); }
  const std::vector<std::string>& CommandLine() const { return args_; }
  void ParseCommandLine(CCommandLineInfo& info) const;
  // New document, open file, or unregister (which ends the start: FALSE).
  virtual BOOL ProcessShellCommand(CCommandLineInfo& info);

  // ---- profile: HKEY_CURRENT_USER\Software\<key>\<app name>\<section>
  void SetRegistryKey(const std::string& key) { registryKey_ = key; }
  const std::string& GetRegistryKey() const { return registryKey_; }
  const std::string& AppName() const { return appName_; }
  // The recent-file list is never kept; the count is remembered only.
  void LoadStdProfileSettings(UINT maxMru = 4) { maxMru_ = maxMru; }
  std::string ProfileKey(const std::string& section) const;
  // Integers are 32-bit registry numbers; a missing value (or one of the
  // other kind) gives the default.
  UINT GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const;
  std::string GetProfileString(const std::string& section, const std::string& entry,
                               const std::string& defaultValue = {}) const;
  BOOL WriteProfileInt(const std::string& section, const std::string& entry, int value);
  BOOL WriteProfileString(const std::string& section, const std::string& entry, const std::string& value);
  // Between these two every profile write is collected and then applied to
  // the store in one rewrite, in order: all of them or none; and every
  // profile read is answered from one read of the store, made at the first
  // read. A failed rewrite is told on standard error.
  void BeginProfileBatch();
  BOOL CommitProfileBatch();
  // Inside a batch: the error of its one read of the store (0 when read, or
  // when there is no store yet); the reads then answer their defaults.
  int ProfileBatchReadError() const;

  // ---- documents
  void AddDocTemplate(CDocTemplate* tmpl);  // the application owns it
  CDocTemplate* FirstDocTemplate() const { return templates_.empty() ? nullptr : templates_.front().get(); }
  virtual CDocument* OpenDocumentFile(const std::string& path);
  void CloseAllDocuments();
  void DeleteDocTemplates();

  // ---- commands the framework serves
  void OnFileNew();
  void OnFileOpen();
  // There is no printing system to set up: nothing happens.
  void OnFilePrintSetup() {}
  void OnAppExit();
  // The help engine. A help topic (HELP_CONTEXT with the topic's number n)
  // is the page "<n>.html" in the help folder, opened with the desktop's
  // handler for addresses. When the page is missing (the help is not
  // installed) or no handler can show it, a box owned by the main window
  // says so and names the page. Other commands show nothing.
  virtual void WinHelp(std::uintptr_t data, UINT cmd = HELP_CONTEXT);
  // Where the help pages are: "<program directory>help/<app name>" unless set.
  std::string GetHelpFolder() const;
  void SetHelpFolder(std::string folder) { helpFolder_ = std::move(folder); }
  std::string HelpTopicPath(std::uintptr_t topic) const;

  const MessageMap* GetMessageMap() const override;

  CWnd* m_pMainWnd = nullptr;
  // The program's module, for its resources and version block: null is the
  // program itself (as the library loader has it).
  void* m_hInstance = nullptr;

  // ---- automation lifetime
  int m_nObjectLocks = 0;
  // The person controls the application (started by a person, or took over
  // its window); otherwise it ends when its last client lets go.
  BOOL m_bUserCtrl = TRUE;

 private:
  std::string appName_;
  std::string registryKey_;
  std::string helpFolder_;
  UINT maxMru_ = 4;
  std::vector<std::string> args_;
  std::vector<std::unique_ptr<CDocTemplate>> templates_;
  std::optional<plat::RegistryBatch> batch_;
  mutable std::optional<plat::RegistryData> batchData_;
  mutable int batchReadError_ = 0;
  plat::RegistryLockWait previousLockWait_;

  const plat::RegistryData* BatchData() const;
  std::optional<plat::RegistryValue> ReadProfileValue(const std::string& section, const std::string& entry) const;
};

// The current application object (null when none exists).
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// A box owned by the main window, captioned with the application's name.
int AfxMessageBox(const std::string& text, unsigned flags = plat::MB_OK);

// Runs the current application: InitInstance, the loop, ExitInstance.
int AfxWinMain(int argc, char** argv);

// ---- automation (the application stays while objects hold it)
// Nothing is needed to start automation here; connecting to the session bus
// happens when factories are registered, and a missing bus leaves the
// program running without automation.
BOOL AfxOleInit();
void AfxOleLockApp();
// The last lock gone while the person is not in control closes the main window.
void AfxOleUnlockApp();
BOOL AfxOleCanExitApp();
BOOL AfxOleGetUserCtrl();
void AfxOleSetUserCtrl(BOOL userCtrl);
// Kept for the classic start-up sequence; nothing to do on this platform.
inline void AfxEnableControlContainer() {}

}  // namespace afx
