#pragma once
// Documents and the single-document template of the frame/document/view façade.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/afx/window.h"

namespace afx {

class CDocTemplate;

// Where Serialize reads from or writes to: the open file of the document.
class CArchive {
 public:
  enum Mode { load = 1, store = 0 };
  CArchive(std::FILE* file, Mode mode, std::string path) : file_(file), mode_(mode), path_(std::move(path)) {}
  bool IsStoring() const { return mode_ == store; }
  bool IsLoading() const { return mode_ == load; }
  std::FILE* GetFile() const { return file_; }
  const std::string& GetPath() const { return path_; }

 private:
  std::FILE* file_;
  Mode mode_;
  std::string path_;
};

// An iteration position over a document's views (nullptr: no more).
using POSITION = const void*;

// The filter of the framework's file dialogs when the document string names
// none. The pattern is "*" rather than "*.*", which on a Linux file system
// would hide every file without an extension.
inline constexpr const char* kAllFilesFilter = "Alle Dateien (*.*)|*";

class CDocument : public CCmdTarget {
 public:
  CDocument() = default;
  ~CDocument() override;

  const std::string& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(const std::string& title);
  const std::string& GetPathName() const { return m_strPathName; }
  // The path, and the file's name (without directories) as the title.
  virtual void SetPathName(const std::string& path, BOOL addToMru = TRUE);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  BOOL IsModified() const { return m_bModified; }
  void SetModifiedFlag(BOOL modified = TRUE) { m_bModified = modified; }

  POSITION GetFirstViewPosition() const;
  CView* GetNextView(POSITION& pos) const;
  void AddView(CView* view);
  void RemoveView(CView* view);
  int ViewCount() const { return static_cast<int>(views_.size()); }

  virtual void Serialize(CArchive& ar);
  virtual void DeleteContents() {}
  virtual BOOL OnNewDocument();
  // Opens the file for reading and lets Serialize read it; a file that
  // cannot be opened is reported with a box and fails.
  virtual BOOL OnOpenDocument(const std::string& path);
  // Creates (or empties) the file and lets Serialize write it; failures are
  // reported with a box.
  virtual BOOL OnSaveDocument(const std::string& path);
  // Asks whether to save a modified document; FALSE cancels what was to come.
  virtual BOOL SaveModified();
  // Destroys the document's frames, then the document (through its template).
  virtual void OnCloseDocument();
  // With an empty path, asks for one with the framework's save dialog; then
  // OnSaveDocument; with replace set, the path becomes the document's.
  virtual BOOL DoSave(const std::string& path, BOOL replace = TRUE);
  // Every frame of the document gets the new title.
  void UpdateFrameCounts();

  const MessageMap* GetMessageMap() const override;

 protected:
  // ID_FILE_SAVE_AS and ID_FILE_SAVE.
  void OnFileSaveAs();
  void OnFileSave();
  // The last client let go: a document no window shows any more closes.
  void OnFinalRelease() override;

  std::string m_strTitle;
  std::string m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;
  BOOL m_bModified = FALSE;

 private:
  friend class CDocTemplate;
  friend class CSingleDocTemplate;
  std::vector<CView*> views_;
};

// ---------------------------------------------------------------- templates
class CDocTemplate : public CCmdTarget {
 public:
  // The seven fields of the document string, separated by "\n".
  enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

  CDocTemplate(UINT resourceId, std::string docString, CRuntimeClass docClass, CRuntimeClass frameClass,
               CRuntimeClass viewClass);
  ~CDocTemplate() override;

  UINT GetResourceID() const { return resourceId_; }
  BOOL GetDocString(std::string& out, DocStringIndex index) const;
  // A new document of the template's class, attached to it (not yet initialised).
  virtual CDocument* CreateNewDocument();
  // A frame for the document, with its view.
  virtual CFrameWnd* CreateNewFrame(CDocument* doc, CFrameWnd* other);
  virtual CDocument* OpenDocumentFile(const std::string& path, BOOL makeVisible = TRUE) = 0;
  virtual CDocument* GetFirstDocument() const = 0;
  void InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible = TRUE);

  // Deletes the document (it leaves the template first).
  virtual void RemoveDocument(CDocument* doc) = 0;
  void CloseAllDocuments();

 protected:
  virtual void AddDocument(CDocument* doc);
  UINT resourceId_;
  std::string docString_;
  CRuntimeClass docClass_, frameClass_, viewClass_;
};

class CSingleDocTemplate : public CDocTemplate {
 public:
  using CDocTemplate::CDocTemplate;
  ~CSingleDocTemplate() override;

  // The one document, made (with its frame) on first use and reused after:
  // an empty path makes it new, a path opens that file as the document.
  CDocument* OpenDocumentFile(const std::string& path, BOOL makeVisible = TRUE) override;
  CDocument* GetFirstDocument() const override { return doc_.get(); }
  void RemoveDocument(CDocument* doc) override;

 protected:
  void AddDocument(CDocument* doc) override;

 private:
  std::unique_ptr<CDocument> doc_;
};

}  // namespace afx
