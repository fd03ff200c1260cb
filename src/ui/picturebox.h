#pragma once
// A picture box: a flat one-pixel frame around a view of a Surface's persistent raster. The
// widget never draws on its own; it shows the raster whenever Qt asks it to paint.

#include <QFrame>

namespace spinlab {

class Surface;

class PictureBox : public QFrame {
public:
    PictureBox(Surface& surface, QWidget* parent);
    Surface& surface() { return surface_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Surface& surface_;
};

}  // namespace spinlab
