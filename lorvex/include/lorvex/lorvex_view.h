#pragma once
// The viewer's view: a list in report mode with one row per kept trace of a
// visible channel, each row in its channel's colour; the window that trace
// clients address with the six registered trace messages.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/afx/list_view.h"

class CTraceEntry;
class CLorvexApp;
class CLorvexDoc;

// The list the document fills: rows numbered from 0; a row shows the kept
// trace that RowMap gives it, its cells read from the kept trace as the list
// paints them (see TraceCell). The list view implements it; the document
// reaches its first view through it.
class ITraceListView {
 public:
  virtual int GetItemCount() const = 0;
  // Appends a row at the end (its entry is in RowMap already); answers its index.
  virtual int AppendItem() = 0;
  // Scrolls so that row shows (partially when partialOk).
  virtual bool EnsureVisible(int row, bool partialOk) = 0;
  // Repaints the list at once (as far as the list's repaint interval lets it).
  virtual void RepaintList() = 0;

 protected:
  ~ITraceListView() = default;
};

// The text of a row's cell under column number column: the columns are
// process, date, time and text in this order, each present while its flag
// is set, so column n is the n-th field whose flag is set (the first shown
// column is the row's item text). Every cell shows its text whole, however
// long; a column past the shown ones is empty.
std::string_view TraceCell(const CTraceEntry& entry, const CLorvexApp& app, int column);

// Whether the column flags give a row any cell at all.
bool AnyColumnShown(const CLorvexApp& app);

// Cuts text at each separator. A separator at the start gives an empty
// first field, two in a row an empty field between them; one at the very
// end gives no empty last field, and an empty text no field at all.
std::vector<std::string> SplitString(const std::string& text, const std::string& separator);

// The four fields of a trace record "process#~date#~time#~text": fields after
// the fourth are dropped (a text holding "#~" loses the rest), missing ones are
// empty, so a short record is still filed whole.
struct TraceRecordFields {
  std::string process, date, time, text;
};
TraceRecordFields SplitTraceRecord(const std::string& record);

// The same as views into record, no copy (what the view files).
std::array<std::string_view, 4> SplitRecord(std::string_view record);

// A text handed to the view in place of an atom by the viewer's own socket
// (no atom is made per record): while it is set, lParam kInPlaceText stands
// for it. Only the window thread uses it.
inline constexpr afx::LPARAM kInPlaceText = 0x10000;
class InPlaceText {
 public:
  explicit InPlaceText(std::string_view text);
  ~InPlaceText();
  InPlaceText(const InPlaceText&) = delete;
  InPlaceText& operator=(const InPlaceText&) = delete;

 private:
  std::string_view text_;
  const std::string_view* outer_;  // a handler's loop may hand over another one meanwhile
};

// The window text senders look for (below the frame of class "Lorvex 230174").
inline constexpr const char* kTraceWindowText = "Sallowmere Window";

class CLorvexView : public afx::CListView, public ITraceListView {
 public:
  CLorvexView() = default;
  const char* ClassName() const override { return "CLorvexView"; }

  // The list in report mode with grid lines and header drag and drop, the
  // window text "Sallowmere Window" whatever name is passed, and the
  // columns of the set column flags; no rows.
  afx::BOOL Create(const std::string& className, const std::string& windowName, std::uint32_t style,
                   const afx::RECT& rect, afx::CWnd* parent, afx::UINT id, afx::CCreateContext* context) override;

  // Deletes every row and builds them again from the kept traces of the
  // visible channels (RowMap anew). No scrolling, no repaint.
  void FillList();

  // ---- ITraceListView, on the list control
  int GetItemCount() const override;
  int AppendItem() override;
  bool EnsureVisible(int row, bool partialOk) override;
  void RepaintList() override;

  const afx::MessageMap* GetMessageMap() const override;

  // ---- commands
  void OnDisplaySelection();
  void OnOptions();
  void OnClearList();
  void OnStartOutput();
  void OnUpdateStartOutput(afx::CCmdUI* ui);
  void OnStopOutput();
  void OnUpdateStopOutput(afx::CCmdUI* ui);
  void OnUpdateDisabledCommand(afx::CCmdUI* ui);
  void OnFind();
  // Each row in its channel's colour, looked up at every paint.
  void OnCustomDraw(afx::NMHDR* notification, afx::LRESULT* result);

  // ---- the six registered trace messages; each answers 1
  afx::LRESULT OnTraceString(afx::WPARAM channel, afx::LPARAM atom);
  afx::LRESULT OnTraceSetColor(afx::WPARAM channel, afx::LPARAM color);
  afx::LRESULT OnTraceSetDevice(afx::WPARAM channel, afx::LPARAM medium);
  afx::LRESULT OnTraceSetFileName(afx::WPARAM channel, afx::LPARAM atom);
  afx::LRESULT OnTraceStart(afx::WPARAM, afx::LPARAM);
  afx::LRESULT OnTraceStop(afx::WPARAM, afx::LPARAM);

 private:
  // The columns of the set flags, in the fixed order.
  void InsertColumns();
  CLorvexDoc* Document() const;
};
