#pragma once
// The viewer's document: the automation object "Lorvex.Document", the trace
// record's two paths (the list and the channel's file) and the saved list.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/afx/document.h"
#include "platform/ui/core.h"

class CLorvexApp;
class ITraceListView;

class CLorvexDoc : public afx::CDocument {
 public:
  CLorvexDoc();
  ~CLorvexDoc() override;

  // The six operations, for clients (by name, in this dispatch-id order) and the view.
  afx::BOOL Trace(std::int32_t id, const std::string& process, const std::string& date, const std::string& time,
                  const std::string& text);
  // The same for texts that are not strings of their own (the view's
  // records, cut from the message's text in place).
  afx::BOOL TraceRecord(std::int32_t id, std::string_view process, std::string_view date, std::string_view time,
                        std::string_view text);
  afx::BOOL SetIDColor(std::int32_t id, std::int32_t color);
  afx::BOOL SetIDMedium(std::int32_t id, std::int32_t medium);
  afx::BOOL SetIDFileName(std::int32_t id, const std::string& file);
  afx::BOOL StartOutput();
  afx::BOOL StopOutput();

  void Serialize(afx::CArchive& ar) override;
  const afx::MessageMap* GetMessageMap() const override;
  const afx::DispatchMap* GetDispatchMap() const override;
  afx::BOOL OnNewDocument() override;
  // Save As: every kept trace of a visible channel, tab-separated, CR LF line ends.
  afx::BOOL OnSaveDocument(const std::string& path) override;
  afx::BOOL SaveModified() override;

 private:
  plat::CachedCast<ITraceListView> listView_;  // the list, of the first view
};

// ---- the trace files
// What a stored trace-file name means here. Every backslash is a directory
// separator; a drive-letter path lies below the user's home directory, in a
// folder named by the lower-case drive letter: "c:\Trace.txt" is
// "$HOME/c/Trace.txt", and "." and ".." are resolved there as on the drive,
// so that no such name leads out of its folder ("c:\..\x" is "$HOME/c/x").
// Other paths are used as they are (a relative one from the current
// directory). Empty when there is no home directory for a drive, and for a
// name holding a NUL byte (it names no file).
struct TraceFileLocation {
  std::string path;
  std::string driveFolder;  // "$HOME/c" for a drive-letter path (made when missing), else empty
};
TraceFileLocation MapTraceFilePath(const std::string& stored);

// The file line of a record: for each shown column a blank and its text,
// then CR LF. Built whole, whatever its length.
std::string BuildTraceFileLine(const CLorvexApp& app, std::string_view process, std::string_view date,
                               std::string_view time, std::string_view text);

// Appends the line to the channel's file with one write on an O_APPEND
// descriptor under an exclusive flock, so that viewers writing one file at
// once never tear or lose a line. The lock is never waited for: while another
// process holds it the line is skipped. False when the file cannot be opened,
// is locked by someone else or cannot be written; nobody is told.
bool AppendTraceLine(const std::string& stored, const std::string& line);

// What Save As writes: "%s\t%s\t%s\t%s" of process, date, time and text for
// each kept trace of a visible channel, each line ended by CR LF; the fields
// go as they came (their own tabs and line breaks included).
std::string SavedTraceList(const CLorvexApp& app);
// The same, written to fd straight from the store's lines (nothing copied
// first, never the whole list in memory); errno's value on failure, else 0.
int WriteTraceList(const CLorvexApp& app, int fd);
