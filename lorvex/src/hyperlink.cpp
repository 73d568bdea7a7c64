#include "lorvex/hyperlink.h"

#include <cstdio>
#include <vector>

#include "platform/afx/app.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace {

// The command line the fallback may build, the terminating zero included.
constexpr std::size_t kCommandBuffer = 524;
// A registry value longer than this (with its zero) is not read.
constexpr std::size_t kValueBuffer = 260;

// The default value of the key, 0 on success, else why not.
int GetRegKey(plat::RegistryRoot root, const std::string& subkey, std::string& out) {
  plat::Registry registry(root);
  plat::RegistryValue value;
  if (const int error = registry.ReadValue(subkey, "", value); error != 0) return error;
  // A value that would not fit the buffer is not cut to fit (that would be another command).
  if (value.kind != plat::RegistryValue::Kind::kString || value.text.size() >= kValueBuffer) return EINVAL;
  out = value.text;
  return 0;
}

// The command's words, double quotes grouping blanks into one word.
std::vector<std::string> SplitCommand(const std::string& command) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : command) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// Starts the program of the command with the address as one more argument.
int WinExec(const std::string& command, const std::string& address, int failed) {
  std::vector<std::string> args = SplitCommand(command);
  // A command that names no program would run the address itself: nothing starts.
  if (args.empty()) return failed;
  args.push_back(address);
  return plat::SpawnDetached(args);
}

}  // namespace

CHyperLink::CHyperLink() : m_dwStyle(kUnderline | kAutoSize | kFocusOnClick) {}

CHyperLink::~CHyperLink() = default;

const afx::MessageMap* CHyperLink::GetMessageMap() const {
  static const afx::MessageMap map{
      CStatic::GetMessageMap(),
      {afx::OnMessage(afx::WM_REFLECT_BASE + afx::WM_CTLCOLOR, &CHyperLink::OnCtlColorMessage),
       afx::OnMessage(afx::WM_SETCURSOR, &CHyperLink::OnSetCursorMessage),
       afx::OnMessage(afx::WM_MOUSEMOVE, &CHyperLink::OnMouseMoveMessage),
       afx::OnMessage(afx::WM_LBUTTONUP, &CHyperLink::OnLButtonUp),
       afx::OnMessage(afx::WM_SETFOCUS, &CHyperLink::OnSetFocus),
       afx::OnMessage(afx::WM_KILLFOCUS, &CHyperLink::OnKillFocus),
       afx::OnMessage(afx::WM_KEYDOWN, &CHyperLink::OnKeyDownMessage),
       afx::OnMessage(afx::WM_NCHITTEST, &CHyperLink::OnNcHitTest),
       afx::OnMessage(afx::WM_LBUTTONDOWN, &CHyperLink::OnLButtonDown)}};
  return &map;
}

void CHyperLink::PreSubclassWindow() {
  if (m_strURL.empty()) m_strURL = GetWindowText();
  if (GetWindowText().empty()) SetWindowText(m_strURL);
  afx::LOGFONT lf;
  if (afx::CFont::FromWindowFont(*Font, &lf)) {
    lf.lfUnderline = static_cast<afx::BYTE>(m_dwStyle & kUnderline);
    if (m_Font.CreateFontIndirect(&lf)) SendMessage(afx::WM_SETFONT, reinterpret_cast<afx::WPARAM>(&m_Font), afx::TRUE);
    PositionWindow();
  } else {
    m_dwStyle &= ~kAutoSize;
  }
  SetDefaultCursor();
  afx::RECT rect;
  GetClientRect(rect);
  m_ToolTip.Create(this);
  m_ToolTip.AddTool(this, m_strURL, rect, 1);
  CStatic::PreSubclassWindow();
}

void CHyperLink::PositionWindow() {
  if (!(m_dwStyle & kAutoSize)) return;
  // The window's place in its parent's client area, and its client area.
  afx::RECT window{Left, Top, Left + Width, Top + Height};
  afx::RECT client;
  GetClientRect(client);
  afx::CDC dc(this);
  const afx::CDC::SIZE extent = dc.GetTextExtent(GetWindowText());
  const afx::DWORD style = Style;
  if (style & afx::SS_CENTERIMAGE) {
    const int dy = (window.Height() - extent.cy) / 2;
    window.top += dy;
    window.bottom -= dy;
  } else {
    window.bottom = window.top + extent.cy;
  }
  const afx::DWORD kind = style & afx::SS_TYPEMASK;
  if (kind == afx::SS_CENTER) {
    const int dx = (window.Width() - extent.cx) / 2;
    window.left += dx;
    window.right -= dx;
  } else if (kind == afx::SS_RIGHT) {
    window.left = window.right - extent.cx;
  } else {
    window.right = window.left + extent.cx;
  }
  // The borders come back around the text.
  const int borderX = Width - client.Width(), borderY = Height - client.Height();
  MoveWindow(window.left, window.top, window.Width() + borderX, window.Height() + borderY);
  InvalidateRect(nullptr);
}

void CHyperLink::SetDefaultCursor() {
  // There is no help program ("\\winhlp32.exe" in the Windows directory) to
  // take cursor 106 from: the platform's own pointing hand.
  if (g_hLinkCursor == plat::crDefault) g_hLinkCursor = plat::crHandPoint;
}

afx::COLORREF CHyperLink::CurrentColor() const {
  if (m_bHasFocus) return kFocused;
  return m_bVisited ? kVisited : kUnvisited;
}

afx::HBRUSH CHyperLink::CtlColor(afx::CDC* dc, afx::UINT) {
  dc->SetTextColor(CurrentColor());
  dc->SetBkMode(afx::TRANSPARENT);
  return afx::GetStockNullBrush();
}

afx::LRESULT CHyperLink::OnCtlColorMessage(afx::WPARAM dc, afx::LPARAM ctlColor) {
  return reinterpret_cast<afx::LRESULT>(CtlColor(reinterpret_cast<afx::CDC*>(dc), static_cast<afx::UINT>(ctlColor)));
}

afx::BOOL CHyperLink::OnSetCursor() {
  if (g_hLinkCursor == plat::crDefault) return afx::FALSE;
  Cursor = g_hLinkCursor;
  return afx::TRUE;
}

afx::LRESULT CHyperLink::OnSetCursorMessage(afx::WPARAM, afx::LPARAM) { return OnSetCursor(); }

void CHyperLink::OnMouseMove(int x, int y) {
  if (!m_bOverControl) {
    m_bOverControl = true;
    InvalidateRect(nullptr);
    SetCapture();
    return;
  }
  afx::RECT client;
  GetClientRect(client);
  const bool inside = x >= client.left && x < client.right && y >= client.top && y < client.bottom;
  if (!inside) {
    m_bOverControl = false;
    ReleaseCapture();
    InvalidateRect(nullptr);
  }
}

afx::LRESULT CHyperLink::OnMouseMoveMessage(afx::WPARAM, afx::LPARAM point) {
  OnMouseMove(static_cast<std::int16_t>(afx::LoWord(point)), static_cast<std::int16_t>(afx::HiWord(point)));
  return 0;
}

void CHyperLink::OnLButtonDown() {
  if (m_dwStyle & kFocusOnClick) SetFocus();
  m_bHasFocus = true;
}

void CHyperLink::OnLButtonUp() {
  if (m_bHasFocus) FollowLink();
}

void CHyperLink::OnSetFocus() {
  m_bHasFocus = true;
  InvalidateRect(nullptr);
}

void CHyperLink::OnKillFocus() {
  m_bOverControl = false;
  m_bHasFocus = false;
  InvalidateRect(nullptr);
}

bool CHyperLink::OnKeyDown(afx::UINT key) {
  if (key != afx::VK_SPACE) return false;
  FollowLink();
  return true;
}

afx::LRESULT CHyperLink::OnKeyDownMessage(afx::WPARAM key, afx::LPARAM) {
  OnKeyDown(static_cast<afx::UINT>(key));
  return 0;
}

afx::BOOL CHyperLink::PreTranslateMessage(afx::MSG* msg) {
  m_ToolTip.RelayEvent(msg);
  return CStatic::PreTranslateMessage(msg);
}

void CHyperLink::FollowLink() {
  const int result = GotoURL(m_strURL, afx::SW_SHOW);
  if (result <= 32) {
    afx::MessageBeep(plat::MB_ICONEXCLAMATION);
    ReportError(result);
    return;
  }
  m_bVisited = true;
  InvalidateRect(nullptr);
}

int CHyperLink::GotoURL(const std::string& url, int) {
  const int result = plat::OpenAddress(url);
  if (result > 32) return result;
  std::string key;
  if (GetRegKey(plat::RegistryRoot::kClassesRoot, ".htm", key) != 0) return result;
  key += "\\shell\\open\\command";
  std::string command;
  if (GetRegKey(plat::RegistryRoot::kClassesRoot, key, command) != 0) return result;
  // The address takes the place of "%1" (in quotes or not) and what follows it.
  std::size_t at = command.find("\"%1\"");
  if (at == std::string::npos) at = command.find("%1");
  if (at != std::string::npos) command.resize(at);
  // Command, blank, address and the zero must fit the buffer, else nothing starts.
  if (command.size() + 1 + url.size() + 1 > kCommandBuffer) return result;
  return WinExec(command, url, result);
}

std::string CHyperLink::ErrorText(int code) {
  switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case 2: return "The specified file was not found.";
    case 3: return "The specified path was not found.";
    case 5: return "The operating system denied\naccess to the specified file.";
    case 8: return "There was not enough memory to complete the operation.";
    case 11: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return "A sharing violation occurred. ";
    case 27: return "The filename association is\nincomplete or invalid.";
    case 28: return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return "The DDE transaction failed.";
    case 30: return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31: return "There is no application associated\nwith the given filename extension.";
    case 32: return "The specified dynamic-link library was not found.";
    default: {
      char text[64];
      std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", code);
      return text;
    }
  }
}

void CHyperLink::ReportError(int code) {
  afx::AfxMessageBox("Can't open link:\n\n" + ErrorText(code), plat::MB_ICONEXCLAMATION);
}
