#pragma once
// A device-independent bitmap from the program's resources with a palette
// made from its colour table, drawn through DrawDib or by block copies; and
// the static control that paints one.

#include "platform/afx/dialog_controls.h"

class CDib : public afx::CBitmap {
 public:
  CDib();
  ~CDib() override;
  const char* ClassName() const { return "CDib"; }

  // The bitmap resource `id` of the module, as a DIB section: nonzero on success.
  afx::BOOL Load(afx::HINSTANCE module, afx::UINT id);
  // Takes the bitmap over, reads its record and makes the palette; 0 on failure.
  afx::BOOL Attach(afx::HBITMAP bitmap);
  // Width and height; (0, 0) without a bitmap.
  afx::CDC::SIZE GetSize() const;
  // Up to n entries of the colour table: the number read.
  afx::UINT GetColorTable(afx::RGBQUAD* entries, afx::UINT n);
  // The colour table as a logical palette, or the halftone palette for a
  // bitmap without one. Nonzero on success.
  afx::BOOL CreatePalette(afx::CPalette& palette);
  // Draws the source rectangle (none: the whole bitmap) into the destination
  // (none: the source's place and size), with DrawDib or block copies, with
  // the given palette or the bitmap's own. 0 without a bitmap.
  afx::BOOL Draw(afx::CDC& dc, const afx::RECT* dest = nullptr, const afx::RECT* source = nullptr,
                 afx::BOOL useDrawDib = afx::TRUE, afx::CPalette* palette = nullptr, afx::BOOL foreground = afx::FALSE);
  afx::BOOL DeleteObject() override;

  const afx::BITMAP& GetBitmapInfo() const { return m_bm; }
  afx::CPalette& GetPalette() { return m_pal; }
  bool DrawDibOpened() const { return m_hdd != nullptr; }

 protected:
  afx::BOOL DrawBitmap(afx::CDC& dc, const afx::RECT* dest, const afx::RECT* source);

 private:
  afx::BITMAP m_bm;
  afx::CPalette m_pal;
  afx::HDRAWDIB m_hdd = nullptr;
};

class CDibCtl : public afx::CStatic {
 public:
  // Loads bitmap `id` from the program's resources.
  explicit CDibCtl(afx::UINT id);
  const char* ClassName() const override { return "CDibCtl"; }
  CDib& GetDib() { return m_dib; }
  const afx::MessageMap* GetMessageMap() const override;

 protected:
  void OnPaint();

 private:
  CDib m_dib;
};
