#pragma once
// What the view's two settings commands ask of the option dialogs: the
// display selection "Ausgabe von..." (CDlgAnzeige) and the sheet
// "Optionen..." (COptionenSheet) with its pages "Spalten" (CDlgFarben),
// "Farben" (CDlgSpalten) and "Ausgabemedium" (CDlgMedium).
//
// STAND-IN: the dialogs are not built yet. Until they are, the dialogs in
// use answer Cancel to both, so both commands change nothing; tests install
// their own to drive the commands.

#include <string>

#include "lorvex/lorvex_app.h"

// The copies the sheet works on, as its three pages hold them.
struct OptionSheetPages {
  // CDlgFarben: the four column check values, 0 or 1.
  int Prozessname = 0;
  int Datum = 0;
  int Uhrzeit = 0;
  int Ausgabewert = 0;
  // CDlgSpalten's array: only Color is read and written.
  TraceIdSettings colours[kTraceChannels];
  // CDlgMedium's array: only Medium and File are read and written.
  TraceIdSettings media[kTraceChannels];
};

class IOptionDialogs {
 public:
  virtual ~IOptionDialogs() = default;
  // CDlgAnzeige without a parent, run modally. It writes the channels'
  // Visible flags itself on OK. Answers IDOK or IDCANCEL.
  virtual int RunDisplaySelection(CLorvexApp& app) = 0;
  // The sheet with this caption, no parent and this first page, its pages
  // added in the order Spalten, Farben, Ausgabemedium, run modally; it
  // changes only the pages' copies. Answers IDOK or IDCANCEL.
  virtual int RunOptionSheet(const std::string& caption, int firstPage, OptionSheetPages& pages) = 0;
};

// The dialogs the view uses now.
IOptionDialogs& OptionDialogs();
// Installs other dialogs (not owned); nullptr goes back to the stand-in.
void SetOptionDialogs(IOptionDialogs* dialogs);
