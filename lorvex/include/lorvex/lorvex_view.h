#pragma once
// The view of the viewer and what the document needs of it.

#include <string>
#include <vector>

#include "platform/afx/window.h"

class CTraceEntry;
class CLorvexApp;

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
  // Repaints the list at once.
  virtual void RepaintList() = 0;

 protected:
  ~ITraceListView() = default;
};

// Fills row from the entry, column by column in the order process, date,
// time, text, skipping each column whose flag is 0: the first shown column
// inserts the row, each later one sets the sub-item with its column number.
void FillTraceRow(ITraceListView& list, int row, const CTraceEntry& entry, const CLorvexApp& app);

// The viewer's view. For now a stand-in that keeps its rows in memory; the
// list-view control with its commands and the trace messages replace the
// body, not the interface.
class CLorvexView : public afx::CView, public ITraceListView {
 public:
  CLorvexView() = default;
  const char* ClassName() const override { return "CLorvexView"; }

  // The window text "Sallowmere Window" whatever name is passed (senders look for it).
  afx::BOOL Create(const std::string& className, const std::string& windowName, std::uint32_t style,
                   const afx::RECT& rect, afx::CWnd* parent, afx::UINT id, afx::CCreateContext* context) override;

  int GetItemCount() const override { return static_cast<int>(rows_.size()); }
  int InsertItem(int row, const std::string& text) override;
  bool SetItemText(int row, int subItem, const std::string& text) override;
  bool EnsureVisible(int row, bool partialOk) override;
  void RepaintList() override;

  // What the stand-in shows: the rows' cells, the row last scrolled to, the repaints.
  const std::vector<std::vector<std::string>>& Rows() const { return rows_; }
  int EnsuredRow() const { return ensured_; }
  int Repaints() const { return repaints_; }

 private:
  std::vector<std::vector<std::string>> rows_;
  int ensured_ = -1;
  int repaints_ = 0;
};
