#pragma once
// A small program on the façade for its tests: an application, a document
// with a dispatch map, a frame and a view, each with message-map entries
// that record what ran.

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/afx/app.h"
#include "platform/afx/automation.h"

namespace afx_test {

inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

constexpr afx::UINT kViewCmd = 32001, kSharedCmd = 32002, kDocCmd = 32003, kFrameCmd = 32004, kAppCmd = 32005,
                    kUpdateOnlyCmd = 32006, kUnhandledCmd = 32007;

inline constexpr const char* kDocString = "Test Frame\n\nTest\n\n\nAfxTest.Document\nAfx Test Document";

class TestDoc : public afx::CDocument {
 public:
  TestDoc() { EnableAutomation(); }
  ~TestDoc() override { Log().push_back("doc destroyed"); }

  afx::BOOL Add(std::int32_t a, std::int32_t b) {
    // What the call does first (a box, say), once.
    if (auto first = std::exchange(whileAdding, nullptr)) first();
    sum = a + b;
    return afx::TRUE;
  }
  afx::BOOL Rename(const std::string& text, bool flag) {
    name = text;
    this->flag = flag;
    return flag ? afx::TRUE : afx::FALSE;
  }
  void Serialize(afx::CArchive& ar) override {
    Log().push_back(ar.IsStoring() ? "store" : "load");
    if (ar.IsStoring()) std::fputs("saved", ar.GetFile());
  }
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CDocument::GetMessageMap(),
                                     {afx::OnCommand(kDocCmd, &TestDoc::OnDocCmd),
                                      afx::OnCommand(kSharedCmd, &TestDoc::OnShared),
                                      afx::OnUpdateCommand(kUpdateOnlyCmd, &TestDoc::OnUpdateOnly)}};
    return &map;
  }
  const afx::DispatchMap* GetDispatchMap() const override {
    static const afx::DispatchMap map{{afx::DispFunction("Add", 1, &TestDoc::Add, {"a", "b"}),
                                       afx::DispFunction("Rename", 2, &TestDoc::Rename, {"text", "flag"})}};
    return &map;
  }
  void OnDocCmd() { Log().push_back("doc"); }
  void OnShared() { Log().push_back("doc shared"); }
  void OnUpdateOnly(afx::CCmdUI* ui) { ui->Enable(afx::TRUE); }

  std::function<void()> whileAdding;
  std::int32_t sum = 0;
  std::string name;
  bool flag = false;
};

class TestView : public afx::CView {
 public:
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{
        CView::GetMessageMap(),
        {afx::OnCommand(kViewCmd, &TestView::OnViewCmd), afx::OnCommand(kSharedCmd, &TestView::OnShared),
         afx::OnUpdateCommand(kViewCmd, &TestView::OnUpdateViewCmd),
         afx::OnRegisteredMessage("WM_AFX_TEST_PING", &TestView::OnPing),
         afx::OnMessage(afx::WM_KEYDOWN, &TestView::OnKeyDown), afx::OnMessage(afx::WM_TIMER, &TestView::OnTimer)}};
    return &map;
  }
  void OnViewCmd() { Log().push_back("view"); }
  void OnShared() { Log().push_back("view shared"); }
  void OnUpdateViewCmd(afx::CCmdUI* ui) { ui->Enable(afx::FALSE); }
  afx::LRESULT OnPing(afx::WPARAM w, afx::LPARAM l) { return static_cast<afx::LRESULT>(w) + l; }
  afx::LRESULT OnKeyDown(afx::WPARAM key, afx::LPARAM) {
    Log().push_back("key " + std::to_string(key));
    return 0;
  }
  void OnTimer(afx::UINT_PTR id) { Log().push_back("timer " + std::to_string(id)); }
};

class TestFrame : public afx::CFrameWnd {
 public:
  static inline bool failCreate = false;
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CFrameWnd::GetMessageMap(),
                                     {afx::OnCommand(kFrameCmd, &TestFrame::OnFrameCmd),
                                      afx::OnUpdateCommand(kFrameCmd, &TestFrame::OnUpdateFrameCmd),
                                      afx::OnMessage(afx::WM_CREATE, &TestFrame::OnCreate)}};
    return &map;
  }
  afx::BOOL PreTranslateMessage(afx::MSG* msg) override {
    // The frame's accelerator: Escape never reaches the view.
    return msg->message == afx::WM_KEYDOWN && msg->wParam == 0x1B ? afx::TRUE : afx::FALSE;
  }
  void OnFrameCmd() { Log().push_back("frame"); }
  void OnUpdateFrameCmd(afx::CCmdUI* ui) { ui->SetCheck(1); }
  int OnCreate(afx::CREATESTRUCT* cs) {
    if (CFrameWnd::OnCreate(cs) == -1 || failCreate) return -1;
    return 0;
  }
};

class TestApp : public afx::CWinApp {
 public:
  TestApp() : afx::CWinApp("Tester") {}
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CWinApp::GetMessageMap(),
                                     {afx::OnCommand(kAppCmd, &TestApp::OnAppCmd),
                                      afx::OnCommand(afx::ID_FILE_NEW, &CWinApp::OnFileNew),
                                      afx::OnCommand(afx::ID_FILE_OPEN, &CWinApp::OnFileOpen)}};
    return &map;
  }
  afx::BOOL InitInstance() override {
    Log().push_back("init");
    tmpl = new afx::CSingleDocTemplate(128, kDocString, afx::RuntimeClass<TestDoc>("TestDoc"),
                                       afx::RuntimeClass<TestFrame>("TestFrame"),
                                       afx::RuntimeClass<TestView>("TestView"));
    AddDocTemplate(tmpl);
    server.ConnectTemplate("{00000000-0000-0000-0000-000000000001}", tmpl, afx::TRUE);
    afx::CCommandLineInfo info;
    ParseCommandLine(info);
    if (info.m_bRunAutomated) afx::COleObjectFactory::RegisterAll();
    return ProcessShellCommand(info);
  }
  int ExitInstance() override {
    Log().push_back("exit");
    return CWinApp::ExitInstance();
  }
  void OnAppCmd() { Log().push_back("app"); }

  TestDoc* Doc() const { return tmpl ? dynamic_cast<TestDoc*>(tmpl->GetFirstDocument()) : nullptr; }
  TestFrame* Frame() const { return dynamic_cast<TestFrame*>(m_pMainWnd); }
  TestView* View() const { return Frame() ? dynamic_cast<TestView*>(Frame()->GetActiveView()) : nullptr; }

  afx::COleTemplateServer server;
  afx::CSingleDocTemplate* tmpl = nullptr;
};

}  // namespace afx_test
