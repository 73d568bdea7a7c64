#include "lorvex/lorvex_doc.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "lorvex/lorvex_app.h"
#include "lorvex/lorvex_view.h"
#include "platform/afx/app.h"
#include "platform/file_io.h"
#include "platform/format.h"

namespace {

bool ChannelInRange(std::int32_t id) { return id >= 1 && id <= kTraceChannels; }

// Writes all of text; false on any failure.
bool WriteAll(int fd, std::string_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------- the document
CLorvexDoc::CLorvexDoc() {
  EnableAutomation();
  afx::AfxOleLockApp();
}

CLorvexDoc::~CLorvexDoc() { afx::AfxOleUnlockApp(); }

const afx::MessageMap* CLorvexDoc::GetMessageMap() const {
  static const afx::MessageMap map{CDocument::GetMessageMap(), {}};
  return &map;
}

const afx::DispatchMap* CLorvexDoc::GetDispatchMap() const {
  static const afx::DispatchMap map{{
      afx::DispFunction("Trace", 1, &CLorvexDoc::Trace, {"id", "process", "date", "time", "text"}),
      afx::DispFunction("SetIDColor", 2, &CLorvexDoc::SetIDColor, {"id", "color"}),
      afx::DispFunction("SetIDMedium", 3, &CLorvexDoc::SetIDMedium, {"id", "medium"}),
      afx::DispFunction("SetIDFileName", 4, &CLorvexDoc::SetIDFileName, {"id", "file"}),
      afx::DispFunction("StartOutput", 5, &CLorvexDoc::StartOutput, {}),
      afx::DispFunction("StopOutput", 6, &CLorvexDoc::StopOutput, {}),
  }};
  return &map;
}

afx::BOOL CLorvexDoc::Trace(std::int32_t id, const std::string& process, const std::string& date,
                            const std::string& time, const std::string& text) {
  return TraceRecord(id, process, date, time, text);
}

afx::BOOL CLorvexDoc::TraceRecord(std::int32_t id, std::string_view process, std::string_view date,
                                  std::string_view time, std::string_view text) {
  CLorvexApp* app = LorvexApp();
  afx::POSITION pos = GetFirstViewPosition();
  if (!app || !pos) return afx::TRUE;
  ITraceListView* list = listView_(GetNextView(pos));
  if (!list) return afx::TRUE;
  if (!ChannelInRange(id)) id = 1;
  const TraceIdSettings& channel = app->Channel(id);

  if (app->Stopped == 0 && (channel.Medium & kMediumWindow)) {
    app->TraceEntries.Append(id, process, date, time, text);
    if (channel.Visible) {
      const int row = list->GetItemCount();
      app->RowMap[static_cast<unsigned>(row)] = static_cast<unsigned>(app->TraceEntries.size() - 1);
      // The row's cells come from the entry; without a shown column there is no row.
      if (AnyColumnShown(*app)) list->AppendItem();
      list->EnsureVisible(row, true);
    }
    list->RepaintList();
  }
  if (channel.Medium & kMediumFile) {
    AppendTraceLine(channel.File, BuildTraceFileLine(*app, process, date, time, text));
  }
  return afx::TRUE;
}

afx::BOOL CLorvexDoc::SetIDColor(std::int32_t id, std::int32_t color) {
  if (CLorvexApp* app = LorvexApp(); app && ChannelInRange(id)) app->Channel(id).Color = static_cast<std::uint32_t>(color);
  return afx::TRUE;
}

afx::BOOL CLorvexDoc::SetIDMedium(std::int32_t id, std::int32_t medium) {
  if (CLorvexApp* app = LorvexApp(); app && ChannelInRange(id)) app->Channel(id).Medium = static_cast<std::uint32_t>(medium);
  return afx::TRUE;
}

afx::BOOL CLorvexDoc::SetIDFileName(std::int32_t id, const std::string& file) {
  if (CLorvexApp* app = LorvexApp(); app && ChannelInRange(id)) app->Channel(id).File = file;
  return afx::TRUE;
}

afx::BOOL CLorvexDoc::StartOutput() {
  if (CLorvexApp* app = LorvexApp()) app->Stopped = 0;
  return afx::TRUE;
}

afx::BOOL CLorvexDoc::StopOutput() {
  if (CLorvexApp* app = LorvexApp()) app->Stopped = 1;
  return afx::TRUE;
}

void CLorvexDoc::Serialize(afx::CArchive&) {}

afx::BOOL CLorvexDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return afx::FALSE;
  SetTitle("");
  return afx::TRUE;
}

afx::BOOL CLorvexDoc::SaveModified() { return afx::TRUE; }

afx::BOOL CLorvexDoc::OnSaveDocument(const std::string& path) {
  const CLorvexApp* app = LorvexApp();
  int error = 0;
  // Not blocking: a FIFO chosen by mistake must not stop the window thread
  // until someone reads it (without a reader the open fails with ENXIO).
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  struct stat st {};
  if (fd < 0) {
    error = errno == ENXIO ? plat::kNotARegularFile : errno;
  } else {
    // The list goes into a file, nowhere else (a FIFO that has a reader, a device).
    if (::fstat(fd, &st) != 0) error = errno;
    else if (!S_ISREG(st.st_mode)) error = plat::kNotARegularFile;
    else if (app) error = WriteTraceList(*app, fd);
    if (::close(fd) != 0 && error == 0) error = errno;
  }
  if (error != 0) {
    // The person chose this file and would otherwise believe the list saved.
    afx::AfxMessageBox(plat::Format("Die Datei \"%s\" kann nicht geschrieben werden.\n%s", path, plat::ErrorText(error)),
                       plat::MB_OK | plat::MB_ICONEXCLAMATION);
    return afx::FALSE;
  }
  return afx::TRUE;
}

// ---------------------------------------------------------------- rows and files
TraceFileLocation MapTraceFilePath(const std::string& stored) {
  // No file's name holds a NUL byte; the system would take the part before it.
  if (stored.find('\0') != std::string::npos) return {};
  std::string path = stored;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return {path, {}};
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return {};
  const std::string drive = std::string(home) + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
  // The folders below the drive's root, as the drive resolves them: "." is
  // the folder itself, ".." its parent, and at the root ".." is the root.
  std::vector<std::string_view> folders;
  const std::string_view rest = std::string_view(path).substr(2);
  for (std::size_t at = 0; at <= rest.size();) {
    const std::size_t end = std::min(rest.find('/', at), rest.size());
    const std::string_view name = rest.substr(at, end - at);
    if (name == "..") {
      if (!folders.empty()) folders.pop_back();
    } else if (!name.empty() && name != ".") {
      folders.push_back(name);
    }
    at = end + 1;
  }
  std::string mapped = drive;
  for (const std::string_view name : folders) {
    mapped += '/';
    mapped += name;
  }
  // A name ending in a separator still names a folder.
  if (!folders.empty() && rest.ends_with('/')) mapped += '/';
  return {mapped, drive};
}

std::string BuildTraceFileLine(const CLorvexApp& app, std::string_view process, std::string_view date,
                               std::string_view time, std::string_view text) {
  std::string line;
  const struct {
    int flag;
    std::string_view text;
  } columns[] = {{app.Name, process}, {app.Datum, date}, {app.Uhrzeit, time}, {app.Ausgabewert, text}};
  for (const auto& c : columns) {
    if (!c.flag) continue;
    line += ' ';
    line += c.text;
  }
  return line + "\r\n";
}

bool AppendTraceLine(const std::string& stored, const std::string& line) {
  const TraceFileLocation where = MapTraceFilePath(stored);
  if (where.path.empty()) return false;
  // A drive's folder stands for the drive's root, which always exists there.
  if (!where.driveFolder.empty()) ::mkdir(where.driveFolder.c_str(), 0700);
  // Not blocking: a FIFO nobody reads must not stop the viewer.
  const int fd = ::open(where.path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return false;
  // Never waiting for the lock: this runs on the window thread, and a process
  // that keeps the file locked would freeze the viewer's window, its lists and
  // its automation. While anyone holds the lock the line is skipped, as for a
  // file that cannot be opened (one viewer runs per user, so two viewers
  // meeting on one append is rare; a frozen viewer would lose every trace).
  int locked;
  while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (locked != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    return false;
  }
  const bool written = WriteAll(fd, line);
  if (locked == 0) ::flock(fd, LOCK_UN);
  ::close(fd);
  return written;
}

namespace {

// Goes through the saved list: the lines of the kept traces of visible
// channels in order, in runs as the store holds them.
template <typename Sink>
void ForEachSavedRun(const CLorvexApp& app, Sink&& sink) {
  const TraceStore& store = app.TraceEntries;
  auto visible = [&app](int id) { return id >= 1 && id <= kTraceChannels && app.IdSettings[id - 1].Visible != 0; };
  bool all = true;
  for (int id = 1; id <= kTraceChannels; ++id) all = all && visible(id);
  if (all) store.ForEachRun(sink);
  else store.ForEachRun(visible, sink);
}

// Writes all of the spans; false on any failure.
bool WriteAllSpans(int fd, iovec* spans, int count) {
  while (count > 0) {
    const ssize_t n = ::writev(fd, spans, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    // Past what was written: whole spans, then into the one it stopped in.
    auto done = static_cast<std::size_t>(n);
    while (count > 0 && done >= spans->iov_len) {
      done -= spans->iov_len;
      ++spans;
      --count;
    }
    if (count > 0) {
      spans->iov_base = static_cast<char*>(spans->iov_base) + done;
      spans->iov_len -= done;
    }
  }
  return true;
}

}  // namespace

std::string SavedTraceList(const CLorvexApp& app) {
  std::string out;
  ForEachSavedRun(app, [&](std::string_view run) {
    out += run;
    return true;
  });
  return out;
}

int WriteTraceList(const CLorvexApp& app, int fd) {
  // The runs go out as they lie in the store, many to a call, nothing copied.
  constexpr int kSpans = 512;
  iovec spans[kSpans];
  int count = 0;
  int error = 0;
  auto flush = [&] {
    if (count != 0 && !WriteAllSpans(fd, spans, count)) error = errno ? errno : EIO;
    count = 0;
    return error == 0;
  };
  ForEachSavedRun(app, [&](std::string_view run) {
    if (count == kSpans && !flush()) return false;
    spans[count++] = {const_cast<char*>(run.data()), run.size()};
    return true;
  });
  if (error == 0) flush();
  return error;
}
