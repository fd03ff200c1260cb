#pragma once
// A picture box: a flat one-pixel frame around a view of a Surface's persistent raster. The
// widget never draws on its own; it shows the raster whenever Qt asks it to paint.

#include <QFrame>
#include <QImage>

namespace spinlab {

class Surface;

class PictureBox : public QFrame {
public:
    PictureBox(Surface& surface, QWidget* parent);
    Surface& surface() { return surface_; }
    // The persistent raster as an image, wrapped without copying: valid while the surface is.
    QImage raster() const;
    // What the widget shows inside its border.
    QImage shown();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Surface& surface_;
};

}  // namespace spinlab
