#include "lorvex/dib.h"

CDib::CDib() = default;

CDib::~CDib() { DeleteObject(); }

afx::BOOL CDib::Load(afx::HINSTANCE module, afx::UINT id) {
  afx::HBITMAP bitmap =
      afx::LoadImageA(module, id, afx::IMAGE_BITMAP, 0, 0, afx::LR_CREATEDIBSECTION | afx::LR_DEFAULTSIZE);
  if (Attach(bitmap)) return afx::TRUE;
  if (bitmap && m_hObject != bitmap) afx::DeleteObject(bitmap);  // a handle nobody took
  return afx::FALSE;
}

afx::BOOL CDib::Attach(afx::HBITMAP bitmap) {
  if (!CBitmap::Attach(bitmap)) return afx::FALSE;
  if (!afx::GetObjectA(m_hObject, &m_bm)) return afx::FALSE;
  m_pal.DeleteObject();
  return CreatePalette(m_pal);
}

afx::CDC::SIZE CDib::GetSize() const {
  afx::BITMAP bm;
  if (!afx::GetObjectA(m_hObject, &bm)) return {};
  return {bm.bmWidth, bm.bmHeight};
}

afx::UINT CDib::GetColorTable(afx::RGBQUAD* entries, afx::UINT n) {
  afx::CDC memory(nullptr);
  memory.CreateCompatibleDC(nullptr);
  afx::CBitmap* old = memory.SelectObject(this);
  const afx::UINT read = afx::GetDIBColorTable(&memory, 0, n, entries);
  memory.SelectObject(old);
  return read;
}

afx::BOOL CDib::CreatePalette(afx::CPalette& palette) {
  afx::RGBQUAD table[256];
  const afx::UINT k = GetColorTable(table, 256);
  if (k == 0) {
    afx::CDC screen(nullptr);
    return palette.CreateHalftonePalette(&screen);
  }
  afx::LOGPALETTE log;
  log.palVersion = 0x300;
  log.palNumEntries = static_cast<afx::WORD>(k);
  for (afx::UINT i = 0; i < k; ++i) {
    log.palPalEntry[i] = afx::PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  }
  return palette.CreatePalette(&log);
}

afx::BOOL CDib::Draw(afx::CDC& dc, const afx::RECT* dest, const afx::RECT* source, afx::BOOL useDrawDib,
                     afx::CPalette* palette, afx::BOOL foreground) {
  if (!m_hObject) return afx::FALSE;
  afx::CPalette* old = dc.SelectPalette(palette ? palette : &m_pal, !foreground);
  dc.RealizePalette();
  afx::BOOL result = afx::FALSE;
  if (useDrawDib) {
    const afx::RECT whole{0, 0, -1, -1};
    const afx::RECT src = source ? *source : whole;
    const afx::RECT dst = dest ? *dest : src;
    if (!m_hdd) m_hdd = afx::DrawDibOpen();
    afx::DIBSECTION ds;
    if (m_hdd && afx::GetObjectA(m_hObject, &ds)) {
      afx::BITMAPINFO info;
      info.bmiHeader = ds.dsBmih;
      GetColorTable(info.bmiColors, 256);
      result = afx::DrawDibDraw(m_hdd, &dc, dst.left, dst.top, dst.Width(), dst.Height(), &info.bmiHeader,
                                ds.dsBm.bmBits, src.left, src.top, src.Width(), src.Height(),
                                foreground ? 0 : afx::DDF_BACKGROUND);
    }
  } else {
    result = DrawBitmap(dc, dest, source);
  }
  if (old) dc.SelectPalette(old, afx::TRUE);
  return result;
}

afx::BOOL CDib::DrawBitmap(afx::CDC& dc, const afx::RECT* dest, const afx::RECT* source) {
  const afx::RECT whole{0, 0, m_bm.bmWidth, m_bm.bmHeight};
  const afx::RECT src = source ? *source : whole;
  const afx::RECT dst = dest ? *dest : src;
  afx::CDC memory(nullptr);
  memory.CreateCompatibleDC(&dc);
  afx::CBitmap* old = memory.SelectObject(this);
  afx::BOOL result;
  if (dst.Width() == src.Width() && dst.Height() == src.Height()) {
    result = dc.BitBlt(dst.left, dst.top, dst.Width(), dst.Height(), &memory, src.left, src.top, afx::SRCCOPY);
  } else {
    dc.SetStretchBltMode(afx::COLORONCOLOR);
    result = dc.StretchBlt(dst.left, dst.top, dst.Width(), dst.Height(), &memory, src.left, src.top, src.Width(),
                           src.Height(), afx::SRCCOPY);
  }
  memory.SelectObject(old);
  return result;
}

afx::BOOL CDib::DeleteObject() {
  m_pal.DeleteObject();
  if (m_hdd) {
    afx::DrawDibClose(m_hdd);
    m_hdd = nullptr;
  }
  m_bm = afx::BITMAP{};
  return CBitmap::DeleteObject();
}

// ---------------------------------------------------------------- CDibCtl
CDibCtl::CDibCtl(afx::UINT id) { m_dib.Load(afx::AfxGetResourceHandle(), id); }

const afx::MessageMap* CDibCtl::GetMessageMap() const {
  static const afx::MessageMap map{CStatic::GetMessageMap(), {afx::OnMessage(afx::WM_PAINT, &CDibCtl::OnPaint)}};
  return &map;
}

void CDibCtl::OnPaint() {
  afx::CPaintDC dc(this);
  m_dib.Draw(dc, nullptr, nullptr, afx::TRUE, nullptr, afx::FALSE);
}
