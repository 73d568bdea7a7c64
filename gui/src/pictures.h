#pragma once
// The pictures the programs load by resource name, drawn here with QPainter
// (the suite ships no image files). One table, keyed by name without regard
// to case: adding a picture is one line in it. A name without a painter gets
// a placeholder that shows the name.

#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

class QPainter;
class QImage;

namespace plat {
struct Dib;
}

namespace gui {

using PicturePainter = void (*)(QPainter& p, const QRectF& r);

struct PictureEntry {
  const char* name;
  int width;   // the size it is drawn at when the program declares none
  int height;
  PicturePainter paint;
};

const std::vector<PictureEntry>& PictureTable();
const PictureEntry* FindPicture(const std::string& name);

// The bitmap as Qt draws it (transparent where an icon's mask says so).
QImage ToQImage(const plat::Dib& dib);
// Draws the picture into r: an embedded bitmap at its own size from r's
// corner, a drawn one scaled to r.
void PaintPicture(QPainter& p, const std::string& name, const QRectF& r);
// The declared size of the resource, else the table's, else 32 x 32.
QSize PictureSize(const std::string& name);
// The picture on a transparent background, at size (PictureSize when empty).
QPixmap RenderPicture(const std::string& name, QSize size = {});

}  // namespace gui
