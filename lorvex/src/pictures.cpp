// The viewer's bitmaps and icon, embedded as the files lorvex/res holds
// (drawn by gui/tools/lorvex_pictures), and registered by resource id.
#include <cstdint>
#include <span>
#include <string>

#include "lorvex/resource.h"
#include "platform/afx/gdi.h"
#include "platform/ui/canvas.h"
#include "platform/ui/dib.h"

// Each file between a start and an end label in the read-only data.
#define LORVEX_EMBED(symbol, file)                                                              \
  __asm__(".section .rodata\n.balign 16\n.type " #symbol ", @object\n" #symbol ":\n.incbin \"" \
          LORVEX_RES_DIR "/" file "\"\n" #symbol "_end:\n.previous\n");                        \
  extern "C" const std::uint8_t symbol[];                                                       \
  extern "C" const std::uint8_t symbol##_end[];

LORVEX_EMBED(lorvex_bitmap102, "bitmap102.bmp")
LORVEX_EMBED(lorvex_bitmap136, "bitmap136.bmp")
LORVEX_EMBED(lorvex_bitmap138, "bitmap138.bmp")
LORVEX_EMBED(lorvex_bitmap139, "bitmap139.bmp")
LORVEX_EMBED(lorvex_bitmap140, "bitmap140.bmp")
LORVEX_EMBED(lorvex_icon128, "icon128.ico")

void RegisterLorvexPictures() {
  const struct {
    afx::UINT id;
    const std::uint8_t* begin;
    const std::uint8_t* end;
  } bitmaps[] = {
      {IDB_LOGO, lorvex_bitmap102, lorvex_bitmap102_end},       {IDB_INFO, lorvex_bitmap136, lorvex_bitmap136_end},
      {IDB_COLUMNS, lorvex_bitmap138, lorvex_bitmap138_end},    {IDB_COLOURS, lorvex_bitmap139, lorvex_bitmap139_end},
      {IDB_MEDIA, lorvex_bitmap140, lorvex_bitmap140_end},
  };
  for (const auto& b : bitmaps) {
    const std::string name = "LORVEX_BITMAP_" + std::to_string(b.id);
    const std::span<const std::uint8_t> bytes(b.begin, static_cast<std::size_t>(b.end - b.begin));
    plat::RegisterDibResource(name, bytes);
    const plat::Dib dib = plat::ReadDib(bytes);
    plat::RegisterPictureResource(name, dib.width, dib.height);
    afx::AfxRegisterBitmap(b.id, name);
  }
  plat::RegisterDibResource(kFrameIcon,
                            std::span<const std::uint8_t>(lorvex_icon128, static_cast<std::size_t>(lorvex_icon128_end -
                                                                                                     lorvex_icon128)));
}
