#pragma once
// The viewer's view: a list in report mode with one row per kept trace of a
// visible channel, each row in its channel's colour; the window that trace
// clients address with the six registered trace messages.

#include <string>
#include <vector>

#include "platform/afx/list_view.h"

class CTraceEntry;
class CLorvexApp;
class CLorvexDoc;

// The list the document fills: rows numbered from 0, cells by column number.
// The list view implements it; the document reaches its first view through it.
class ITraceListView {
 public:
  virtual int GetItemCount() const = 0;
  // Inserts a row at row with the text of its first cell; answers the
  // inserted row's index, or -1.
  virtual int InsertItem(int row, const std::string& text) = 0;
  virtual bool SetItemText(int row, int subItem, const std::string& text) = 0;
  // Scrolls so that row shows (partially when partialOk).
  virtual bool EnsureVisible(int row, bool partialOk) = 0;
  // Repaints the list at once (as far as the list's repaint interval lets it).
  virtual void RepaintList() = 0;

 protected:
  ~ITraceListView() = default;
};

// Fills row from the entry, column by column in the order process, date,
// time, text, skipping each column whose flag is 0: the first shown column
// inserts the row, each later one sets the sub-item with its column number.
// Every cell shows its text whole, however long.
void FillTraceRow(ITraceListView& list, int row, const CTraceEntry& entry, const CLorvexApp& app);

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
  int InsertItem(int row, const std::string& text) override;
  bool SetItemText(int row, int subItem, const std::string& text) override;
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
