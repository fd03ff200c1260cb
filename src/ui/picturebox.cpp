#include "ui/picturebox.h"

#include <QImage>
#include <QPainter>

#include "core/surface.h"

namespace spinlab {

PictureBox::PictureBox(Surface& surface, QWidget* parent) : QFrame(parent), surface_(surface) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PictureBox::raster() const {
    return QImage(reinterpret_cast<const uchar*>(surface_.bits()), surface_.width(),
                  surface_.height(), static_cast<qsizetype>(surface_.stride() * 4),
                  QImage::Format_RGB32);
}

QImage PictureBox::shown() {
    return grab().toImage().copy(contentsRect()).convertToFormat(QImage::Format_RGB32);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), raster());
}

}  // namespace spinlab
