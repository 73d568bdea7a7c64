#include "lorvex/option_dialogs.h"

#include "lorvex/lorvex_doc.h"
#include "platform/format.h"

namespace {

constexpr afx::DWORD kPopup = afx::WS_POPUP | afx::WS_CAPTION | afx::WS_SYSMENU | afx::DS_MODALFRAME | afx::DS_3DLOOK;
constexpr afx::DWORD kPage = afx::WS_CHILD | afx::WS_CAPTION | afx::DS_3DLOOK;
constexpr afx::DWORD kListStyle = afx::LBS_NOTIFY | afx::WS_VSCROLL | afx::LBS_NOINTEGRALHEIGHT | afx::WS_TABSTOP;
// The pages' pictures fill their left part: 70 by 140 dialog units.
constexpr int kPictureWidth = 70, kPageWidth = 252, kPageHeight = 140;

std::string ChannelText(int n) { return plat::Format("ID %02d", n); }

void Tick(int& value, std::uint32_t medium, std::uint32_t bit) { value = (medium & bit) ? 1 : 0; }

}  // namespace

void RegisterOptionDialogTemplates() {
  using afx::AutoCheckBox;
  using afx::Control;
  using afx::DefPushButton;
  using afx::IDC_STATIC;
  using afx::LText;
  using afx::Picture;
  using afx::PushButton;

  afx::AfxRegisterDialog(
      IDD_ANZEIGE,
      {kPopup, 0, 0, 0, 196, 164, "Ausgabe von...", "MS Sans Serif", 8,
       {DefPushButton("OK", afx::IDOK, 139, 7, 50, 14), PushButton("Abbrechen", afx::IDCANCEL, 139, 25, 50, 14),
        PushButton("&Hilfe", afx::IDHELP, 139, 43, 50, 14),
        LText("Traces mit folgenden IDs werden im Fenster ausgegeben.", IDC_STATIC, 7, 7, 124, 18),
        Control("", IDC_ID_LIST, afx::WC_LISTBOX,
                afx::LBS_OWNERDRAWFIXED | afx::LBS_HASSTRINGS | kListStyle | afx::WS_BORDER, 7, 29, 124, 128)}});

  afx::AfxRegisterDialog(
      IDD_SPALTEN,
      {kPage, 0, 0, 0, kPageWidth, kPageHeight, "Spalten", "MS Sans Serif", 8,
       {Picture(kColumnsPagePicture, IDC_STATIC, 0, 0, kPictureWidth, kPageHeight),
        LText("Welche Spalten sollen bei der Ausgabe der Traces sichtbar sein?", IDC_STATIC, 80, 10, 165, 18),
        AutoCheckBox("Prozessname", IDC_PROZESSNAME, 88, 38, 110, 10),
        AutoCheckBox("Datum", IDC_DATUM, 88, 54, 110, 10), AutoCheckBox("Uhrzeit", IDC_UHRZEIT, 88, 70, 110, 10),
        AutoCheckBox("Ausgabewert", IDC_AUSGABEWERT, 88, 86, 110, 10)}});

  afx::AfxRegisterDialog(
      IDD_FARBEN,
      {kPage, 0, 0, 0, kPageWidth, kPageHeight, "Farben", "MS Sans Serif", 8,
       {LText("Vergeben Sie Farben, in denen die Ausgabe der entsprechenden IDs dargestellt werden sollen.", IDC_STATIC,
              80, 10, 165, 26),
        LText("ID:", IDC_STATIC, 80, 42, 40, 8),
        Control("", IDC_ID_LIST, afx::WC_LISTBOX, kListStyle | afx::WS_BORDER, 80, 52, 64, 80),
        LText("Farbe:", IDC_STATIC, 156, 42, 60, 8),
        Control("", IDC_SWATCH, afx::WC_STATIC, afx::SS_BLACKFRAME | afx::SS_SUNKEN, 156, 52, 64, 22),
        PushButton("&Auswahl...", IDC_CHOOSE_COLOR, 156, 80, 64, 14),
        Picture(kColoursPagePicture, IDC_STATIC, 0, 0, kPictureWidth, kPageHeight)}});

  afx::AfxRegisterDialog(
      IDD_MEDIUM,
      {kPage, 0, 0, 0, kPageWidth, kPageHeight, "Ausgabemedium", "MS Sans Serif", 8,
       {Picture(kMediaPagePicture, IDC_STATIC, 0, 0, kPictureWidth, kPageHeight),
        LText("Auf welchen Ausgabemedien sollen die Traces ausgegeben werden?", IDC_STATIC, 80, 10, 165, 18),
        Control("", IDC_MEDIUM_LIST, afx::WC_LISTBOX, kListStyle | afx::WS_BORDER, 80, 52, 64, 80),
        LText("IDs", IDC_STATIC, 80, 42, 40, 8),
        AutoCheckBox("&Bildschirm", IDC_BILDSCHIRM, 156, 52, 88, 10),
        AutoCheckBox("&Drucker", IDC_DRUCKER, 156, 66, 88, 10, afx::WS_DISABLED | afx::WS_TABSTOP),
        AutoCheckBox("D&atei", IDC_DATEI, 156, 80, 88, 10),
        afx::EditText(IDC_FILE, 156, 96, 90, 13, afx::ES_AUTOHSCROLL | afx::WS_TABSTOP),
        DefPushButton("Durchsuchen...", IDC_BROWSE, 156, 116, 64, 14)}});

  // The pages' art, 70 by 140 dialog units.
  for (const char* picture : {kColumnsPagePicture, kColoursPagePicture, kMediaPagePicture}) {
    plat::RegisterPictureResource(picture, 105, 227);
  }
}

// ---------------------------------------------------------------- display selection
CDlgAnzeige::CDlgAnzeige(afx::CWnd* parent) : CDialog(IDD_ANZEIGE, parent) {}

CDlgAnzeige::~CDlgAnzeige() = default;

const afx::MessageMap* CDlgAnzeige::GetMessageMap() const {
  static const afx::MessageMap map{CDialog::GetMessageMap(), {afx::OnCommand(afx::IDHELP, &CDlgAnzeige::OnHelp)}};
  return &map;
}

void CDlgAnzeige::DoDataExchange(afx::CDataExchange* dx) { CDialog::DoDataExchange(dx); }

afx::BOOL CDlgAnzeige::OnInitDialog() {
  CDialog::OnInitDialog();
  m_CheckList.SubclassDlgItem(IDC_ID_LIST, this);
  const CLorvexApp* app = LorvexApp();
  for (int n = 1; n <= kTraceChannels; ++n) {
    m_CheckList.AddString(ChannelText(n));
    // Ticked as the list has it: any value but 0 shows the channel's rows.
    if (app && app->IdSettings[n - 1].Visible != 0) m_CheckList.SetCheck(n - 1, 1);
  }
  return afx::TRUE;
}

void CDlgAnzeige::OnOK() {
  if (CLorvexApp* app = LorvexApp()) {
    for (int i = 0; i < kTraceChannels; ++i) app->IdSettings[i].Visible = m_CheckList.GetCheck(i) == 1 ? 1 : 0;
  }
  CDialog::OnOK();
}

void CDlgAnzeige::OnHelp() {
  if (afx::CWinApp* app = afx::AfxGetApp()) app->WinHelp(kHelpDisplaySelection, afx::HELP_CONTEXT);
}

// ---------------------------------------------------------------- columns page
const afx::CRuntimeClass CDlgFarben::classCDlgFarben = afx::RuntimeClass<CDlgFarben>("CDlgFarben");

CDlgFarben::CDlgFarben() : CPropertyPage(IDD_SPALTEN) {}

CDlgFarben::~CDlgFarben() = default;

const afx::MessageMap* CDlgFarben::GetMessageMap() const {
  static const afx::MessageMap map{CPropertyPage::GetMessageMap(), {}};
  return &map;
}

void CDlgFarben::WinHelp(std::uintptr_t data, afx::UINT cmd) {
  if (afx::CWinApp* app = afx::AfxGetApp()) app->WinHelp(kHelpColumnsPage, afx::HELP_CONTEXT);
  CPropertyPage::WinHelp(data, cmd);
}

void CDlgFarben::DoDataExchange(afx::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  afx::DDX_Check(dx, IDC_AUSGABEWERT, Ausgabewert);
  afx::DDX_Check(dx, IDC_DATUM, Datum);
  afx::DDX_Check(dx, IDC_PROZESSNAME, Prozessname);
  afx::DDX_Check(dx, IDC_UHRZEIT, Uhrzeit);
}

// ---------------------------------------------------------------- colours page
const afx::CRuntimeClass CDlgSpalten::classCDlgSpalten = afx::RuntimeClass<CDlgSpalten>("CDlgSpalten");

CDlgSpalten::CDlgSpalten() : CPropertyPage(IDD_FARBEN) {}

CDlgSpalten::~CDlgSpalten() = default;

const afx::MessageMap* CDlgSpalten::GetMessageMap() const {
  static const afx::MessageMap map{
      CPropertyPage::GetMessageMap(),
      {afx::OnControl(afx::LBN_SELCHANGE, IDC_ID_LIST, &CDlgSpalten::OnSelChangeIdList),
       afx::OnCommand(IDC_CHOOSE_COLOR, &CDlgSpalten::OnChooseColor), afx::OnMessage(afx::WM_PAINT, &CDlgSpalten::OnPaint)}};
  return &map;
}

void CDlgSpalten::DoDataExchange(afx::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  afx::DDX_Control(dx, IDC_SWATCH, m_Swatch);
  afx::DDX_Control(dx, IDC_ID_LIST, m_IdList);
}

int CDlgSpalten::Selected() const { return m_IdList.GetCurSel(); }

void CDlgSpalten::PaintSwatch(afx::COLORREF color) {
  afx::RECT r;
  m_Swatch.GetClientRect(r);
  r.left += 2;
  r.top += 2;
  afx::CWindowDC dc(&m_Swatch);
  afx::CBrush brush;
  brush.CreateSolidBrush(color);
  dc.FillRect(r, &brush);
  brush.DeleteObject();
}

afx::BOOL CDlgSpalten::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  for (int n = 1; n <= kTraceChannels; ++n) m_IdList.AddString(ChannelText(n));
  m_IdList.SetCurSel(0);
  PaintSwatch(Settings[0].Color);
  m_Swatch.InvalidateRect(nullptr);
  m_Swatch.UpdateWindow();
  return afx::TRUE;
}

void CDlgSpalten::OnOK() { CPropertyPage::OnOK(); }

void CDlgSpalten::OnSelChangeIdList() {
  // A list without a selection has no channel to show.
  if (const int sel = Selected(); sel >= 0 && sel < kTraceChannels) PaintSwatch(Settings[sel].Color);
}

void CDlgSpalten::OnChooseColor() {
  const int sel = Selected();
  if (sel < 0 || sel >= kTraceChannels) return;
  afx::CColorDialog dialog(Settings[sel].Color, 0, this);
  if (dialog.DoModal() == afx::IDOK) Settings[sel].Color = dialog.GetColor();
  PaintSwatch(Settings[sel].Color);
}

void CDlgSpalten::OnPaint() {
  afx::CPaintDC dc(this);
  if (const int sel = Selected(); sel >= 0 && sel < kTraceChannels) PaintSwatch(Settings[sel].Color);
}

// ---------------------------------------------------------------- media page
const afx::CRuntimeClass CDlgMedium::classCDlgMedium = afx::RuntimeClass<CDlgMedium>("CDlgMedium");

CDlgMedium::CDlgMedium() : CPropertyPage(IDD_MEDIUM) {}

CDlgMedium::~CDlgMedium() = default;

const afx::MessageMap* CDlgMedium::GetMessageMap() const {
  static const afx::MessageMap map{
      CPropertyPage::GetMessageMap(),
      {afx::OnControl(afx::LBN_SELCHANGE, IDC_MEDIUM_LIST, &CDlgMedium::OnSelChangeIdList),
       afx::OnCommand(IDC_DATEI, &CDlgMedium::OnFileMediumClicked), afx::OnCommand(IDC_BROWSE, &CDlgMedium::OnBrowse)}};
  return &map;
}

void CDlgMedium::DoDataExchange(afx::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  afx::DDX_Control(dx, IDC_MEDIUM_LIST, m_IdList);
  afx::DDX_Control(dx, IDC_BROWSE, m_Browse);
  afx::DDX_Control(dx, IDC_FILE, m_FileEdit);
  afx::DDX_Check(dx, IDC_DRUCKER, Drucker);
  afx::DDX_Check(dx, IDC_DATEI, Datei);
  afx::DDX_Text(dx, IDC_FILE, FileText);
  afx::DDX_Check(dx, IDC_BILDSCHIRM, Bildschirm);
}

void CDlgMedium::EnableFileControls(bool enable) {
  m_FileEdit.EnableWindow(enable ? afx::TRUE : afx::FALSE);
  m_Browse.EnableWindow(enable ? afx::TRUE : afx::FALSE);
}

void CDlgMedium::Load(const TraceIdSettings& entry) {
  FileText = entry.File;
  Tick(Bildschirm, entry.Medium, kMediumWindow);
  Tick(Drucker, entry.Medium, kMediumPrinter);
  Tick(Datei, entry.Medium, kMediumFile);
  if (entry.Medium & kMediumFile) EnableFileControls(true);
}

void CDlgMedium::Store(TraceIdSettings& entry) const {
  // The page decides the three bits it shows; any other bit the channel holds
  // (another program's) goes back as it came.
  entry.Medium &= ~(kMediumWindow | kMediumPrinter | kMediumFile);
  if (Bildschirm == 1) entry.Medium |= kMediumWindow;
  if (Drucker == 1) entry.Medium |= kMediumPrinter;
  if (Datei == 1) entry.Medium |= kMediumFile;
  entry.File = FileText;
}

afx::BOOL CDlgMedium::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  for (int n = 1; n <= kTraceChannels; ++n) m_IdList.AddString(ChannelText(n));
  EnableFileControls(false);
  m_IdList.SetCurSel(0);
  Load(Settings[0]);
  UpdateData(afx::FALSE);
  return afx::TRUE;
}

void CDlgMedium::OnSelChangeIdList() {
  EnableFileControls(false);
  UpdateData(afx::TRUE);
  const int next = m_IdList.GetCurSel();
  if (CurrentIndex >= 0 && CurrentIndex < kTraceChannels) Store(Settings[CurrentIndex]);
  if (next < 0 || next >= kTraceChannels) return;
  Load(Settings[next]);
  CurrentIndex = next;
  UpdateData(afx::FALSE);
}

void CDlgMedium::OnFileMediumClicked() {
  UpdateData(afx::TRUE);
  EnableFileControls(Datei == 1);
}

void CDlgMedium::OnBrowse() {
  UpdateData(afx::TRUE);
  afx::CFileDialog dialog(afx::TRUE, "txt", FileText, afx::OFN_HIDEREADONLY | afx::OFN_OVERWRITEPROMPT, "*.*|*.*||",
                          this);
  // The stored name means a file here as the trace files have it ("c:\x" is
  // below the home directory), and the dialog starts there.
  dialog.SetInitialPath(MapTraceFilePath(FileText).path);
  if (dialog.DoModal() != afx::IDOK) return;
  FileText = dialog.GetPathName();
  UpdateData(afx::FALSE);
}

void CDlgMedium::OnOK() {
  UpdateData(afx::TRUE);
  if (const int sel = m_IdList.GetCurSel(); sel >= 0 && sel < kTraceChannels) Store(Settings[sel]);
  CPropertyPage::OnOK();
}

// ---------------------------------------------------------------- the sheet
const afx::CRuntimeClass COptionenSheet::classCOptionenSheet{"COptionenSheet", {}};

COptionenSheet::COptionenSheet(const std::string& caption, afx::CWnd* parent, afx::UINT selectPage)
    : CPropertySheet(caption, parent, selectPage) {}

COptionenSheet::~COptionenSheet() = default;

const afx::MessageMap* COptionenSheet::GetMessageMap() const {
  static const afx::MessageMap map{CPropertySheet::GetMessageMap(),
                                   {afx::OnMessage(afx::WM_CREATE, &COptionenSheet::OnCreate)}};
  return &map;
}

void COptionenSheet::WinHelp(std::uintptr_t, afx::UINT) {
  if (afx::CWinApp* app = afx::AfxGetApp()) app->WinHelp(kHelpOptionSheet, afx::HELP_CONTEXT);
}

int COptionenSheet::OnCreate(afx::CREATESTRUCT* cs) {
  if (CPropertySheet::OnCreate(cs) == -1) return -1;
  Painter.Install(this, kAutoColor, kAutoColor, afx::TRUE);
  Painter.SetColors(0, 0xFF8000, kAutoColor, kAutoColor, afx::TRUE);
  return 0;
}
