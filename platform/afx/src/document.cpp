#include "platform/afx/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/afx/app.h"
#include "platform/file_io.h"
#include "platform/format.h"

namespace afx {

// ---------------------------------------------------------------- CDocument
CDocument::~CDocument() {
  for (CView* v : views_) v->m_pDocument = nullptr;
  views_.clear();
}

const MessageMap* CDocument::GetMessageMap() const {
  static const MessageMap map{CCmdTarget::GetMessageMap(),
                              {OnCommand(ID_FILE_SAVE_AS, &CDocument::OnFileSaveAs),
                               OnCommand(ID_FILE_SAVE, &CDocument::OnFileSave)}};
  return &map;
}

void CDocument::SetTitle(const std::string& title) {
  m_strTitle = title;
  UpdateFrameCounts();
}

void CDocument::SetPathName(const std::string& path, BOOL) {
  m_strPathName = path;
  const std::size_t slash = path.find_last_of('/');
  SetTitle(slash == std::string::npos ? path : path.substr(slash + 1));
}

void CDocument::UpdateFrameCounts() {
  for (CView* v : views_) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(v->TopLevel())) frame->OnUpdateFrameTitle(TRUE);
  }
}

POSITION CDocument::GetFirstViewPosition() const {
  return views_.empty() ? nullptr : reinterpret_cast<POSITION>(std::uintptr_t{1});
}

CView* CDocument::GetNextView(POSITION& pos) const {
  const std::uintptr_t index = reinterpret_cast<std::uintptr_t>(pos) - 1;
  if (!pos || index >= views_.size()) {
    pos = nullptr;
    return nullptr;
  }
  pos = index + 1 < views_.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
  return views_[index];
}

void CDocument::AddView(CView* view) {
  if (!view || view->m_pDocument == this) return;
  if (view->m_pDocument) view->m_pDocument->RemoveView(view);
  views_.push_back(view);
  view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
  auto it = std::find(views_.begin(), views_.end(), view);
  if (it == views_.end()) return;
  views_.erase(it);
  view->m_pDocument = nullptr;
}

void CDocument::Serialize(CArchive&) {}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.clear();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(const std::string& path) {
  // Not blocking, and only a file: a FIFO chosen by mistake must not stop the
  // window thread until someone writes to it.
  std::FILE* f = nullptr;
  int error = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  struct stat st {};
  if (fd < 0) {
    error = errno;
  } else if (::fstat(fd, &st) != 0) {
    error = errno;
    ::close(fd);
  } else if (!S_ISREG(st.st_mode)) {
    error = plat::kNotARegularFile;
    ::close(fd);
  } else if ((f = ::fdopen(fd, "rb")) == nullptr) {
    error = errno;
    ::close(fd);
  }
  if (!f) {
    AfxMessageBox(plat::Format("Das Dokument \"%s\" kann nicht ge\xc3\xb6" "ffnet werden.\n%s", path,
                               plat::ErrorText(error)),
                  plat::MB_OK | plat::MB_ICONEXCLAMATION);
    return FALSE;
  }
  DeleteContents();
  CArchive ar(f, CArchive::load, path);
  Serialize(ar);
  std::fclose(f);
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  int error = f ? 0 : errno;
  if (f) {
    CArchive ar(f, CArchive::store, path);
    Serialize(ar);
    if (std::ferror(f)) error = EIO;
    if (std::fclose(f) != 0 && error == 0) error = errno;
  }
  if (error != 0) {
    AfxMessageBox(plat::Format("Das Dokument \"%s\" kann nicht gespeichert werden.\n%s", path,
                               plat::ErrorText(error)),
                  plat::MB_OK | plat::MB_ICONEXCLAMATION);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  const std::string name = m_strTitle.empty() ? std::string("Unbenannt") : m_strTitle;
  switch (AfxMessageBox(plat::Format("\xc3\x84nderungen in %s speichern?", name),
                        plat::MB_YESNOCANCEL | plat::MB_ICONEXCLAMATION)) {
    case plat::IDCANCEL:
      return FALSE;
    case plat::IDYES:
      return DoSave(m_strPathName);
    default:
      return TRUE;
  }
}

BOOL CDocument::DoSave(const std::string& path, BOOL replace) {
  std::string name = path;
  if (name.empty()) {
    plat::Application* loop = plat::Application::Current();
    if (!loop) return FALSE;
    plat::FileDialogRequest request;
    request.kind = plat::FileDialogKind::Save;
    request.title = "Speichern unter";
    request.filter = kAllFilesFilter;
    request.fileName = m_strTitle;
    request.options = plat::TOpenOptions(plat::ofOverwritePrompt) | plat::ofHideReadOnly;
    std::optional<std::string> chosen = loop->RunFileDialog(request);
    if (!chosen) return FALSE;
    name = *chosen;
  }
  if (!OnSaveDocument(name)) return FALSE;
  if (replace) SetPathName(name);
  return TRUE;
}

void CDocument::OnFileSaveAs() { DoSave({}); }

void CDocument::OnFileSave() { DoSave(m_strPathName); }

void CDocument::OnCloseDocument() {
  std::vector<std::uint64_t> frames;
  for (CView* v : views_) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(v->TopLevel())) frames.push_back(frame->Id());
  }
  for (std::uint64_t id : frames) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(plat::Component::FromId(id))) frame->DestroyWindow();
  }
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);  // deletes this
  else delete this;
}

void CDocument::OnFinalRelease() {
  // Started for its clients, or put out of sight by the person while held:
  // with the last client gone the document closes, and with it the
  // application. The close waits for the loop, out of the caller's way.
  if (AfxOleGetUserCtrl()) return;
  plat::Application* loop = plat::Application::Current();
  CDocTemplate* tmpl = m_pDocTemplate;
  if (!loop || !tmpl) return;
  loop->Post([tmpl, doc = this] {
    CWinApp* app = AfxGetApp();
    if (!app || app->FirstDocTemplate() != tmpl || tmpl->GetFirstDocument() != doc) return;
    if (doc->ExternalRefs() == 0 && !AfxOleGetUserCtrl()) doc->OnCloseDocument();
  });
}

// ---------------------------------------------------------------- CDocTemplate
CDocTemplate::CDocTemplate(UINT resourceId, std::string docString, CRuntimeClass docClass,
                           CRuntimeClass frameClass, CRuntimeClass viewClass)
    : resourceId_(resourceId),
      docString_(std::move(docString)),
      docClass_(std::move(docClass)),
      frameClass_(std::move(frameClass)),
      viewClass_(std::move(viewClass)) {}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(std::string& out, DocStringIndex index) const {
  out.clear();
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    start = docString_.find('\n', start);
    if (start == std::string::npos) return FALSE;
    ++start;
  }
  const std::size_t end = docString_.find('\n', start);
  out = docString_.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return out.empty() ? FALSE : TRUE;
}

void CDocTemplate::AddDocument(CDocument* doc) { doc->m_pDocTemplate = this; }

CDocument* CDocTemplate::CreateNewDocument() {
  CObject* object = docClass_.CreateObject();
  auto* doc = dynamic_cast<CDocument*>(object);
  if (!doc) {
    delete object;
    return nullptr;
  }
  AddDocument(doc);
  return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc, CFrameWnd*) {
  CObject* object = frameClass_.CreateObject();
  auto* frame = dynamic_cast<CFrameWnd*>(object);
  if (!frame) {
    delete object;
    return nullptr;
  }
  CCreateContext context;
  context.m_pNewViewClass = &viewClass_;
  context.m_pCurrentDoc = doc;
  context.m_pNewDocTemplate = this;
  if (!frame->LoadFrame(resourceId_, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
    return nullptr;  // a frame that failed is gone already
  }
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible) {
  frame->InitialUpdateFrame(doc, makeVisible);
}

void CDocTemplate::CloseAllDocuments() {
  if (CDocument* doc = GetFirstDocument()) doc->OnCloseDocument();
}

// ---------------------------------------------------------------- CSingleDocTemplate
CSingleDocTemplate::~CSingleDocTemplate() { doc_.reset(); }

void CSingleDocTemplate::AddDocument(CDocument* doc) {
  CDocTemplate::AddDocument(doc);
  doc_.reset(doc);
}

void CSingleDocTemplate::RemoveDocument(CDocument* doc) {
  if (doc_.get() == doc) doc_.reset();
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const std::string& path, BOOL makeVisible) {
  CDocument* doc = doc_.get();
  CFrameWnd* frame = nullptr;
  bool newDoc = false;
  if (doc) {
    if (!doc->SaveModified()) return nullptr;
    POSITION pos = doc->GetFirstViewPosition();
    if (CView* view = doc->GetNextView(pos)) frame = dynamic_cast<CFrameWnd*>(view->TopLevel());
  } else {
    doc = CreateNewDocument();
    if (!doc) return nullptr;
    newDoc = true;
  }
  bool newFrame = false;
  if (!frame) {
    frame = CreateNewFrame(doc, nullptr);
    if (!frame) {
      if (newDoc) RemoveDocument(doc);
      return nullptr;
    }
    newFrame = true;
  }
  const auto undo = [&] {
    if (newFrame) frame->DestroyWindow();
    if (newDoc) RemoveDocument(doc);
  };
  if (path.empty()) {
    std::string title;
    if (!GetDocString(title, fileNewName)) GetDocString(title, docName);
    doc->SetTitle(title.empty() ? std::string("Unbenannt") : title);
    if (!doc->OnNewDocument()) {
      undo();
      return nullptr;
    }
  } else {
    if (!doc->OnOpenDocument(path)) {
      undo();
      return nullptr;
    }
    doc->SetPathName(path);
  }
  if (CWinApp* app = AfxGetApp(); app && newFrame && !app->m_pMainWnd) app->m_pMainWnd = frame;
  InitialUpdateFrame(frame, doc, makeVisible);
  return doc;
}

}  // namespace afx
