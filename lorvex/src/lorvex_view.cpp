#include "lorvex/lorvex_view.h"

#include <memory>
#include <optional>

#include "lorvex/lorvex_app.h"
#include "lorvex/lorvex_doc.h"
#include "lorvex/option_dialogs.h"
#include "platform/afx/atom.h"

namespace {

struct ColumnInfo {
  int CLorvexApp::*flag;
  const char* title;
  int format;
  int width;
  int subItem;
};

// The columns in their fixed order; each is present while its flag is set.
constexpr ColumnInfo kColumns[] = {
    {&CLorvexApp::Name, "Prozess", afx::LVCFMT_CENTER, 100, 0},
    {&CLorvexApp::Datum, "Datum", afx::LVCFMT_CENTER, 75, 1},
    {&CLorvexApp::Uhrzeit, "Uhrzeit", afx::LVCFMT_CENTER, 75, 1},
    {&CLorvexApp::Ausgabewert, "Ausgabe", afx::LVCFMT_LEFT, 200, 1},
};

// The record's separator.
constexpr const char* kFieldSeparator = "#~";

// wParam carries a signed 32-bit channel.
std::int32_t Channel(afx::WPARAM wParam) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam)); }

// What a text set in place of an atom holds while it is handed over.
const std::string_view* g_inPlace = nullptr;

// The text lParam stands for: the atom's name as a 255-character buffer
// yields it (at most 254 characters), read into buffer, or a text handed
// over in place; nothing when the atom cannot be read.
std::optional<std::string_view> MessageText(afx::LPARAM lParam, char (&buffer)[255]) {
  if (lParam == kInPlaceText && g_inPlace) return g_inPlace->substr(0, sizeof buffer - 1);
  if (lParam <= 0 || lParam > 0xFFFF) return std::nullopt;
  const afx::UINT n = afx::GlobalGetAtomNameA(static_cast<afx::ATOM>(lParam), buffer, sizeof buffer);
  if (n == 0) return std::nullopt;
  return std::string_view(buffer, n);
}

}  // namespace

// ---------------------------------------------------------------- rows
std::string_view TraceCell(const CTraceEntry& entry, const CLorvexApp& app, int column) {
  const struct {
    int flag;
    std::string_view text;
  } columns[] = {{app.Name, entry.process}, {app.Datum, entry.date}, {app.Uhrzeit, entry.time},
                 {app.Ausgabewert, entry.text}};
  int shown = 0;
  for (const auto& c : columns) {
    if (!c.flag) continue;
    if (shown++ == column) return c.text;
  }
  return {};
}

bool AnyColumnShown(const CLorvexApp& app) { return app.Name || app.Datum || app.Uhrzeit || app.Ausgabewert; }

InPlaceText::InPlaceText(std::string_view text) : text_(text), outer_(g_inPlace) { g_inPlace = &text_; }
InPlaceText::~InPlaceText() { g_inPlace = outer_; }

std::array<std::string_view, 4> SplitRecord(std::string_view record) {
  std::array<std::string_view, 4> fields;
  for (std::string_view& field : fields) {
    if (record.empty()) break;
    const std::size_t p = record.find(kFieldSeparator);
    if (p == std::string_view::npos) {
      field = record;
      break;
    }
    field = record.substr(0, p);
    record.remove_prefix(p + 2);
  }
  return fields;
}

std::vector<std::string> SplitString(const std::string& text, const std::string& separator) {
  std::vector<std::string> fields;
  if (separator.empty()) {
    if (!text.empty()) fields.push_back(text);
    return fields;
  }
  std::string rest = text;
  while (!rest.empty()) {
    const std::size_t p = rest.find(separator);
    if (p == std::string::npos) {
      fields.push_back(rest);
      break;
    }
    fields.push_back(rest.substr(0, p));
    rest = rest.substr(p + separator.size());
  }
  return fields;
}

TraceRecordFields SplitTraceRecord(const std::string& record) {
  const std::array<std::string_view, 4> f = SplitRecord(record);
  return {std::string(f[0]), std::string(f[1]), std::string(f[2]), std::string(f[3])};
}

// ---------------------------------------------------------------- the view
const afx::MessageMap* CLorvexView::GetMessageMap() const {
  static const afx::MessageMap map{
      CListView::GetMessageMap(),
      {
          afx::OnCommand(ID_DISPLAY_SELECTION, &CLorvexView::OnDisplaySelection),
          afx::OnCommand(ID_OPTIONS, &CLorvexView::OnOptions),
          afx::OnNotifyReflect(afx::NM_CUSTOMDRAW, &CLorvexView::OnCustomDraw),
          afx::OnCommand(ID_CLEAR_LIST, &CLorvexView::OnClearList),
          afx::OnCommand(ID_START_OUTPUT, &CLorvexView::OnStartOutput),
          afx::OnUpdateCommand(ID_START_OUTPUT, &CLorvexView::OnUpdateStartOutput),
          afx::OnCommand(ID_STOP_OUTPUT, &CLorvexView::OnStopOutput),
          afx::OnUpdateCommand(ID_STOP_OUTPUT, &CLorvexView::OnUpdateStopOutput),
          afx::OnUpdateCommand(afx::ID_FILE_PRINT, &CLorvexView::OnUpdateDisabledCommand),
          afx::OnUpdateCommand(afx::ID_FILE_SAVE, &CLorvexView::OnUpdateDisabledCommand),
          afx::OnUpdateCommand(ID_FIND, &CLorvexView::OnUpdateDisabledCommand),
          afx::OnCommand(ID_FIND, &CLorvexView::OnFind),
          afx::OnCommand(afx::ID_FILE_PRINT, &CView::OnFilePrint),
          afx::OnCommand(afx::ID_FILE_PRINT_DIRECT, &CView::OnFilePrint),
          afx::OnCommand(afx::ID_FILE_PRINT_PREVIEW, &CView::OnFilePrintPreview),
          afx::OnRegisteredMessage("WM_TRACE_STRING", &CLorvexView::OnTraceString),
          afx::OnRegisteredMessage("WM_TRACE_SETCOLOR", &CLorvexView::OnTraceSetColor),
          afx::OnRegisteredMessage("WM_TRACE_SETDEVICE", &CLorvexView::OnTraceSetDevice),
          afx::OnRegisteredMessage("WM_TRACE_SETFILENAME", &CLorvexView::OnTraceSetFileName),
          afx::OnRegisteredMessage("WM_TRACE_START", &CLorvexView::OnTraceStart),
          afx::OnRegisteredMessage("WM_TRACE_STOP", &CLorvexView::OnTraceStop),
      }};
  return &map;
}

afx::BOOL CLorvexView::Create(const std::string& className, const std::string&, std::uint32_t style,
                              const afx::RECT& rect, afx::CWnd* parent, afx::UINT id, afx::CCreateContext* context) {
  if (!CListView::Create(className, kTraceWindowText, style | afx::LVS_REPORT, rect, parent, id, context)) {
    return afx::FALSE;
  }
  afx::CListCtrl& list = GetListCtrl();
  list.SetExtendedStyle(list.GetExtendedStyle() | afx::LVS_EX_GRIDLINES | afx::LVS_EX_HEADERDRAGDROP);
  // A virtual list: the cells are the kept traces' texts, read as painted.
  list.Style = list.Style | plat::LVS_OWNERDATA;
  list.OnGetItemText = [](int row, int column) -> std::string_view {
    const CLorvexApp* app = LorvexApp();
    if (!app || row < 0) return {};
    const std::uint32_t entry = app->RowMap.Find(static_cast<std::size_t>(row));
    if (entry >= app->TraceEntries.size()) return {};
    return TraceCell(app->TraceEntries[entry], *app, column);
  };
  InsertColumns();
  return afx::TRUE;
}

CLorvexDoc* CLorvexView::Document() const { return dynamic_cast<CLorvexDoc*>(GetDocument()); }

void CLorvexView::InsertColumns() {
  const CLorvexApp* app = LorvexApp();
  if (!app) return;
  afx::CListCtrl& list = GetListCtrl();
  int column = 0;
  for (const ColumnInfo& c : kColumns) {
    if (app->*c.flag) list.InsertColumn(column++, c.title, c.format, c.width, c.subItem);
  }
}

void CLorvexView::FillList() {
  CLorvexApp* app = LorvexApp();
  if (!app) return;
  afx::CListCtrl& list = GetListCtrl();
  list.DeleteAllItems();
  app->RowMap.clear();
  int rows = 0;
  const bool cells = AnyColumnShown(*app);
  for (std::size_t i = 0; i < app->TraceEntries.size(); ++i) {
    const int id = app->TraceEntries[i].id;
    if (id < 1 || id > kTraceChannels || !app->Channel(id).Visible) continue;
    app->RowMap[static_cast<unsigned>(rows)] = static_cast<unsigned>(i);
    // Without a column no row is inserted; the next one maps to the same row.
    if (cells) ++rows;
  }
  list.SetItemCount(rows);
}

int CLorvexView::GetItemCount() const { return GetListCtrl().GetItemCount(); }
int CLorvexView::AppendItem() {
  afx::CListCtrl& list = GetListCtrl();
  const int row = list.GetItemCount();
  list.SetItemCount(row + 1);
  return row;
}
bool CLorvexView::EnsureVisible(int row, bool partialOk) { return GetListCtrl().EnsureVisible(row, partialOk); }
void CLorvexView::RepaintList() { UpdateWindow(); }

// ---------------------------------------------------------------- commands
void CLorvexView::OnDisplaySelection() {
  CDlgAnzeige dialog(nullptr);
  if (dialog.DoModal() == plat::IDOK) FillList();
}

void CLorvexView::OnOptions() {
  CLorvexApp* app = LorvexApp();
  if (!app) return;
  COptionenSheet sheet("Optionen...", nullptr, 0);
  // The pages are large (two arrays of 30 settings each): not on the stack.
  auto columns = std::make_unique<CDlgFarben>();
  auto colours = std::make_unique<CDlgSpalten>();
  auto media = std::make_unique<CDlgMedium>();
  // A check box is ticked or not; a column is shown for any flag but 0.
  columns->Prozessname = app->Name != 0;
  columns->Datum = app->Datum != 0;
  columns->Uhrzeit = app->Uhrzeit != 0;
  columns->Ausgabewert = app->Ausgabewert != 0;
  for (int n = 1; n <= kTraceChannels; ++n) {
    colours->Settings[n - 1].Color = app->Channel(n).Color;
    media->Settings[n - 1].Medium = app->Channel(n).Medium;
    media->Settings[n - 1].File = app->Channel(n).File;
  }
  sheet.AddPage(columns.get());
  sheet.AddPage(colours.get());
  sheet.AddPage(media.get());
  if (sheet.DoModal() != plat::IDOK) return;
  // The columns go (at most four, always the first) and come again for the flags.
  afx::CListCtrl& list = GetListCtrl();
  for (int i = 0; i < 4 && list.GetColumnCount() > 0; ++i) list.DeleteColumn(0);
  app->Name = columns->Prozessname;
  app->Datum = columns->Datum;
  app->Uhrzeit = columns->Uhrzeit;
  app->Ausgabewert = columns->Ausgabewert;
  for (int n = 1; n <= kTraceChannels; ++n) {
    app->Channel(n).File = media->Settings[n - 1].File;
    app->Channel(n).Medium = media->Settings[n - 1].Medium;
    app->Channel(n).Color = colours->Settings[n - 1].Color;
  }
  InsertColumns();
  FillList();
}

void CLorvexView::OnClearList() {
  // No question: the command clears at once. RowMap stays as it is; every
  // row inserted from now on maps itself anew.
  if (CLorvexApp* app = LorvexApp()) app->TraceEntries.clear();
  GetListCtrl().DeleteAllItems();
}

void CLorvexView::OnStartOutput() {
  if (CLorvexApp* app = LorvexApp()) app->Stopped = 0;
}

void CLorvexView::OnUpdateStartOutput(afx::CCmdUI* ui) {
  const CLorvexApp* app = LorvexApp();
  ui->Enable(app && app->Stopped == 1 ? afx::TRUE : afx::FALSE);
}

void CLorvexView::OnStopOutput() {
  if (CLorvexApp* app = LorvexApp()) app->Stopped = 1;
}

void CLorvexView::OnUpdateStopOutput(afx::CCmdUI* ui) {
  const CLorvexApp* app = LorvexApp();
  ui->Enable(app && app->Stopped != 1 ? afx::TRUE : afx::FALSE);
}

void CLorvexView::OnUpdateDisabledCommand(afx::CCmdUI* ui) { ui->Enable(afx::FALSE); }

void CLorvexView::OnFind() {
  // The dialog is made and goes again; nothing shows (the command is never enabled).
  auto dialog = std::make_unique<afx::CFindReplaceDialog>();
}

void CLorvexView::OnCustomDraw(afx::NMHDR* notification, afx::LRESULT* result) {
  auto* cd = reinterpret_cast<afx::NMLVCUSTOMDRAW*>(notification);
  *result = afx::CDRF_DODEFAULT;
  switch (cd->nmcd.dwDrawStage) {
    case afx::CDDS_PREPAINT:
      *result = afx::CDRF_NOTIFYITEMDRAW;
      break;
    case afx::CDDS_ITEMPREPAINT: {
      const CLorvexApp* app = LorvexApp();
      if (!app) break;
      // A row that maps to no kept trace keeps the list's colours.
      const std::uint32_t entry = app->RowMap.Find(static_cast<std::size_t>(cd->nmcd.dwItemSpec));
      if (entry >= app->TraceEntries.size()) break;
      const int id = app->TraceEntries[entry].id;
      if (id < 1 || id > kTraceChannels) break;
      // The colour is the low three bytes (0x00BBGGRR), as the colour page
      // shows it: what stands above them is no code of the list's own.
      cd->clrText = app->IdSettings[id - 1].Color & 0x00FFFFFFu;
      cd->clrTextBk = afx::GetSysColor(afx::COLOR_WINDOW);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------- trace messages
afx::LRESULT CLorvexView::OnTraceString(afx::WPARAM channel, afx::LPARAM atom) {
  CLorvexDoc* doc = Document();
  char buffer[255];
  const std::optional<std::string_view> record = MessageText(atom, buffer);
  // An atom that cannot be read has no record in it: nothing is filed.
  if (!doc || !record) return 1;
  // Fields after the fourth are dropped (text holding "#~" loses the rest);
  // missing ones are empty, so a short record is still filed whole.
  const std::array<std::string_view, 4> f = SplitRecord(*record);
  return doc->TraceRecord(Channel(channel), f[0], f[1], f[2], f[3]);
}

afx::LRESULT CLorvexView::OnTraceSetColor(afx::WPARAM channel, afx::LPARAM color) {
  CLorvexDoc* doc = Document();
  return doc ? doc->SetIDColor(Channel(channel), static_cast<std::int32_t>(color)) : 1;
}

afx::LRESULT CLorvexView::OnTraceSetDevice(afx::WPARAM channel, afx::LPARAM medium) {
  CLorvexDoc* doc = Document();
  return doc ? doc->SetIDMedium(Channel(channel), static_cast<std::int32_t>(medium)) : 1;
}

afx::LRESULT CLorvexView::OnTraceSetFileName(afx::WPARAM channel, afx::LPARAM atom) {
  CLorvexDoc* doc = Document();
  char buffer[255];
  const std::optional<std::string_view> file = MessageText(atom, buffer);
  // Without a readable name the channel keeps its file.
  if (!doc || !file) return 1;
  return doc->SetIDFileName(Channel(channel), std::string(*file));
}

afx::LRESULT CLorvexView::OnTraceStart(afx::WPARAM, afx::LPARAM) {
  CLorvexDoc* doc = Document();
  return doc ? doc->StartOutput() : 1;
}

afx::LRESULT CLorvexView::OnTraceStop(afx::WPARAM, afx::LPARAM) {
  CLorvexDoc* doc = Document();
  return doc ? doc->StopOutput() : 1;
}
