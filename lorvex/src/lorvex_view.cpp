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

// The atom's name as a 255-character buffer yields it (at most 254
// characters); nothing when the atom cannot be read.
std::optional<std::string> AtomText(afx::LPARAM lParam) {
  if (lParam <= 0 || lParam > 0xFFFF) return std::nullopt;
  char name[255];
  const afx::UINT n = afx::GlobalGetAtomNameA(static_cast<afx::ATOM>(lParam), name, sizeof name);
  if (n == 0) return std::nullopt;
  return std::string(name, n);
}

}  // namespace

// ---------------------------------------------------------------- rows
void FillTraceRow(ITraceListView& list, int row, const CTraceEntry& entry, const CLorvexApp& app) {
  const struct {
    int flag;
    const std::string& text;
  } columns[] = {{app.Name, entry.process}, {app.Datum, entry.date}, {app.Uhrzeit, entry.time},
                 {app.Ausgabewert, entry.text}};
  int column = 0;
  int index = row;
  for (const auto& c : columns) {
    if (!c.flag) continue;
    if (column == 0) index = list.InsertItem(row, c.text);
    else list.SetItemText(index, column, c.text);
    ++column;
  }
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
  std::vector<std::string> fields = SplitString(record, kFieldSeparator);
  fields.resize(4);
  return {std::move(fields[0]), std::move(fields[1]), std::move(fields[2]), std::move(fields[3])};
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
  GetListCtrl().DeleteAllItems();
  app->RowMap.clear();
  for (std::size_t i = 0; i < app->TraceEntries.size(); ++i) {
    const CTraceEntry& entry = *app->TraceEntries[i];
    if (entry.id < 1 || entry.id > kTraceChannels || !app->Channel(entry.id).Visible) continue;
    const int row = GetItemCount();
    app->RowMap[static_cast<unsigned>(row)] = static_cast<unsigned>(i);
    // The cells show the kept texts whole: a text longer than the classic
    // 256-byte cell buffer is neither cut nor written past it.
    FillTraceRow(*this, row, entry, *app);
  }
}

int CLorvexView::GetItemCount() const { return GetListCtrl().GetItemCount(); }
int CLorvexView::InsertItem(int row, const std::string& text) { return GetListCtrl().InsertItem(row, text); }
bool CLorvexView::SetItemText(int row, int subItem, const std::string& text) {
  return GetListCtrl().SetItemText(row, subItem, text);
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
  columns->Prozessname = app->Name;
  columns->Datum = app->Datum;
  columns->Uhrzeit = app->Uhrzeit;
  columns->Ausgabewert = app->Ausgabewert;
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
      auto it = app->RowMap.find(static_cast<unsigned>(cd->nmcd.dwItemSpec));
      if (it == app->RowMap.end() || it->second >= app->TraceEntries.size()) break;
      const int id = app->TraceEntries[it->second]->id;
      if (id < 1 || id > kTraceChannels) break;
      cd->clrText = app->IdSettings[id - 1].Color;
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
  const std::optional<std::string> record = AtomText(atom);
  // An atom that cannot be read has no record in it: nothing is filed.
  if (!doc || !record) return 1;
  const TraceRecordFields f = SplitTraceRecord(*record);
  return doc->Trace(Channel(channel), f.process, f.date, f.time, f.text);
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
  const std::optional<std::string> file = AtomText(atom);
  // Without a readable name the channel keeps its file.
  if (!doc || !file) return 1;
  return doc->SetIDFileName(Channel(channel), *file);
}

afx::LRESULT CLorvexView::OnTraceStart(afx::WPARAM, afx::LPARAM) {
  CLorvexDoc* doc = Document();
  return doc ? doc->StartOutput() : 1;
}

afx::LRESULT CLorvexView::OnTraceStop(afx::WPARAM, afx::LPARAM) {
  CLorvexDoc* doc = Document();
  return doc ? doc->StopOutput() : 1;
}
