#pragma once
// The viewer's two settings windows, both modal, both opened by commands of
// the list view:
//
// - the display selection "Ausgabe von..." (CDlgAnzeige, dialog 137): a
//   check list of the 30 channels; OK writes each channel's Visible flag;
// - the sheet "Optionen..." (COptionenSheet) with its pages "Spalten"
//   (CDlgFarben, dialog 107: the four column flags), "Farben" (CDlgSpalten,
//   dialog 138: each channel's colour) and "Ausgabemedium" (CDlgMedium,
//   dialog 139: each channel's media bits and trace file). The pages work on
//   copies that the options command writes back only when the sheet ends
//   with OK.
//
// The two first page classes' names run against their contents, as the
// settings' other readers know them: CDlgFarben shows the columns,
// CDlgSpalten the colours.

#include <string>

#include "lorvex/lorvex_app.h"
#include "lorvex/paint_title.h"
#include "platform/afx/dialog.h"

// ---------------------------------------------------------------- ids
constexpr afx::UINT IDD_ANZEIGE = 137;  // "Ausgabe von..."
constexpr afx::UINT IDD_SPALTEN = 107;  // "Spalten", shown by CDlgFarben
constexpr afx::UINT IDD_FARBEN = 138;   // "Farben", shown by CDlgSpalten
constexpr afx::UINT IDD_MEDIUM = 139;   // "Ausgabemedium"

constexpr afx::UINT IDC_ID_LIST = 1001;  // the channel lists of 137 and 138
constexpr afx::UINT IDC_PROZESSNAME = 1002, IDC_DATUM = 1003, IDC_UHRZEIT = 1004, IDC_AUSGABEWERT = 1005;
constexpr afx::UINT IDC_CHOOSE_COLOR = 1007, IDC_SWATCH = 1008;
constexpr afx::UINT IDC_MEDIUM_LIST = 1009, IDC_BILDSCHIRM = 1010, IDC_DRUCKER = 1011, IDC_DATEI = 1012,
                    IDC_FILE = 1013, IDC_BROWSE = 1014;

// The pages' pictures (bitmaps 138, 139 and 140) as picture resources.
inline constexpr const char* kColumnsPagePicture = "LORVEX_BITMAP_138";
inline constexpr const char* kColoursPagePicture = "LORVEX_BITMAP_139";
inline constexpr const char* kMediaPagePicture = "LORVEX_BITMAP_140";

// The help topics of the dialogs.
constexpr afx::UINT kHelpDisplaySelection = 12, kHelpOptionSheet = 6, kHelpColumnsPage = 13;

// Registers templates 137, 107, 138 and 139 and the pages' pictures.
void RegisterOptionDialogTemplates();

// ---------------------------------------------------------------- display selection
class CDlgAnzeige : public afx::CDialog {
 public:
  explicit CDlgAnzeige(afx::CWnd* parent = nullptr);
  ~CDlgAnzeige() override;
  const char* ClassName() const override { return "CDlgAnzeige"; }
  const afx::MessageMap* GetMessageMap() const override;
  // Exchanges nothing: the check list is bound when the dialog initialises.
  void DoDataExchange(afx::CDataExchange* dx) override;
  // "ID 01" to "ID 30", ticked where the channel's Visible is 1.
  afx::BOOL OnInitDialog() override;
  // Visible := 1 for each item ticked (check state exactly 1), else 0.
  void OnOK() override;
  // "&Hilfe": help topic 12.
  void OnHelp();

  afx::CCheckListBox m_CheckList;
};

// ---------------------------------------------------------------- the pages
class CDlgFarben : public afx::CPropertyPage {
 public:
  CDlgFarben();
  ~CDlgFarben() override;
  const char* ClassName() const override { return "CDlgFarben"; }
  static const afx::CRuntimeClass classCDlgFarben;
  const afx::CRuntimeClass* GetRuntimeClass() const override { return &classCDlgFarben; }
  const afx::MessageMap* GetMessageMap() const override;
  // Help topic 13, then the framework's help for the topic asked.
  void WinHelp(std::uintptr_t data, afx::UINT cmd = afx::HELP_CONTEXT) override;
  void DoDataExchange(afx::CDataExchange* dx) override;

  // The four check values, 0 or 1.
  int Prozessname = 0;
  int Datum = 0;
  int Uhrzeit = 0;
  int Ausgabewert = 0;
};

class CDlgSpalten : public afx::CPropertyPage {
 public:
  CDlgSpalten();
  ~CDlgSpalten() override;
  const char* ClassName() const override { return "CDlgSpalten"; }
  static const afx::CRuntimeClass classCDlgSpalten;
  const afx::CRuntimeClass* GetRuntimeClass() const override { return &classCDlgSpalten; }
  const afx::MessageMap* GetMessageMap() const override;
  void DoDataExchange(afx::CDataExchange* dx) override;
  afx::BOOL OnInitDialog() override;
  void OnOK() override;

  void OnSelChangeIdList();
  // "&Auswahl...": the colour dialog for the selected channel.
  void OnChooseColor();
  void OnPaint();

  // Only Color is read and written here.
  TraceIdSettings Settings[kTraceChannels];
  afx::CStatic m_Swatch;
  afx::CListBox m_IdList;

 private:
  // Fills the swatch's client rectangle, left and top edges moved in by 2,
  // on its whole-window surface.
  void PaintSwatch(afx::COLORREF color);
  int Selected() const;
};

class CDlgMedium : public afx::CPropertyPage {
 public:
  CDlgMedium();
  ~CDlgMedium() override;
  const char* ClassName() const override { return "CDlgMedium"; }
  static const afx::CRuntimeClass classCDlgMedium;
  const afx::CRuntimeClass* GetRuntimeClass() const override { return &classCDlgMedium; }
  const afx::MessageMap* GetMessageMap() const override;
  void DoDataExchange(afx::CDataExchange* dx) override;
  afx::BOOL OnInitDialog() override;
  // Stores what the controls show into the selected channel's entry.
  void OnOK() override;

  void OnSelChangeIdList();
  // "D&atei" clicked: the file field and the browse button follow it.
  void OnFileMediumClicked();
  // "Durchsuchen...": the file dialog, starting at the file the text names.
  void OnBrowse();

  // Only Medium and File are read and written here.
  TraceIdSettings Settings[kTraceChannels];
  afx::CListBox m_IdList;
  afx::CButton m_Browse;
  afx::CEdit m_FileEdit;
  int Bildschirm = 0;  // Medium bit 1
  int Drucker = 0;     // bit 2 (its box is disabled: shown, never changed)
  int Datei = 0;       // bit 4
  std::string FileText;
  // The list position whose values the controls show.
  int CurrentIndex = 0;

 private:
  void EnableFileControls(bool enable);
  void Load(const TraceIdSettings& entry);
  void Store(TraceIdSettings& entry) const;
};

// ---------------------------------------------------------------- the sheet
class COptionenSheet : public afx::CPropertySheet {
 public:
  COptionenSheet(const std::string& caption, afx::CWnd* parent = nullptr, afx::UINT selectPage = 0);
  ~COptionenSheet() override;
  const char* ClassName() const override { return "COptionenSheet"; }
  static const afx::CRuntimeClass classCOptionenSheet;
  const afx::CRuntimeClass* GetRuntimeClass() const override { return &classCOptionenSheet; }
  const afx::MessageMap* GetMessageMap() const override;
  // Help topic 6, whatever topic was asked for.
  void WinHelp(std::uintptr_t data, afx::UINT cmd = afx::HELP_CONTEXT) override;
  // The framework's creation, then the gradient caption as the main frame has it.
  int OnCreate(afx::CREATESTRUCT* cs);

  CPaintTitle Painter;
};
