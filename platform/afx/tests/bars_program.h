#pragma once
// The façade's test program with a menu, accelerators, a tool bar and a
// status bar: the frame of resource 129.

#include "platform/afx/bars.h"
#include "test_classes.h"

namespace afx_test {

constexpr afx::UINT kBarsResource = 129;

inline void RegisterBarResources() {
  afx::AfxRegisterMenu(kBarsResource, {
      {"&Datei", 0, 0, {{"&Ansicht", kViewCmd, 0, {}}, afx::MenuSeparator(), {"&Dokument", kDocCmd, afx::MF_GRAYED, {}},
                        {"&Nichts", kUnhandledCmd, 0, {}}}},
      {"&Leisten", 0, 0, {{"&Symbolleiste", afx::AFX_IDW_TOOLBAR, 0, {}}, {"S&tatusleiste", afx::AFX_IDW_STATUS_BAR, 0, {}}}},
  });
  afx::AfxRegisterToolBar(kBarsResource, {16, 15, {kAppCmd, afx::ID_SEPARATOR, kViewCmd, kUnhandledCmd}, "TestStrip"});
  afx::AfxRegisterAccelerators(kBarsResource, {{afx::FVIRTKEY | afx::FCONTROL, 'N', afx::ID_FILE_NEW},
                                               {afx::FVIRTKEY, afx::VK_F6, kAppCmd},
                                               {afx::FVIRTKEY | afx::FCONTROL, 'Q', kViewCmd}});
  afx::AfxRegisterString(kAppCmd, "Runs the application's command.\nApp");
  afx::AfxRegisterString(kViewCmd, "The view's.");
  afx::AfxRegisterString(afx::AFX_IDS_IDLEMESSAGE, "Bereit");
  afx::AfxRegisterString(afx::ID_INDICATOR_CAPS, "UF");
}

class BarsFrame : public afx::CFrameWnd {
 public:
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CFrameWnd::GetMessageMap(), {afx::OnMessage(afx::WM_CREATE, &BarsFrame::OnCreate)}};
    return &map;
  }
  int OnCreate(afx::CREATESTRUCT* cs) {
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    auto* tools = new afx::CToolBar;
    if (!tools->Create(this) || !tools->LoadToolBar(kBarsResource)) return -1;
    auto* status = new afx::CStatusBar;
    static const afx::UINT indicators[] = {afx::ID_SEPARATOR, afx::ID_INDICATOR_CAPS};
    if (!status->Create(this) || !status->SetIndicators(indicators, 2)) return -1;
    return 0;
  }
  afx::CToolBar* Tools() const { return dynamic_cast<afx::CToolBar*>(GetControlBar(afx::AFX_IDW_TOOLBAR)); }
  afx::CStatusBar* Status() const { return dynamic_cast<afx::CStatusBar*>(GetControlBar(afx::AFX_IDW_STATUS_BAR)); }
};

class BarsApp : public TestApp {
 public:
  afx::BOOL InitInstance() override {
    RegisterBarResources();
    tmpl = new afx::CSingleDocTemplate(kBarsResource, kDocString, afx::RuntimeClass<TestDoc>("TestDoc"),
                                       afx::RuntimeClass<BarsFrame>("BarsFrame"),
                                       afx::RuntimeClass<TestView>("TestView"));
    AddDocTemplate(tmpl);
    afx::CCommandLineInfo info;
    ParseCommandLine(info);
    return ProcessShellCommand(info);
  }
  BarsFrame* Bars() const { return dynamic_cast<BarsFrame*>(m_pMainWnd); }
  TestView* View() const { return Bars() ? dynamic_cast<TestView*>(Bars()->GetActiveView()) : nullptr; }
};

}  // namespace afx_test
