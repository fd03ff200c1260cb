#pragma once
// The "Large View" window: the lattice of the run under way (or of the selected simulation when
// idle) read from the lattice itself, every site at least one screen pixel at a whole-number
// zoom without smoothing, with scroll bars where the window is smaller. For the cube a slider
// picks any section across z, x or y; the chain shows as a strip of its units' states.

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <functional>

#include "core/runs.h"
#include "measure/blocks.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;

namespace spinlab {

class Program;

// Shows one image, each pixel as a zoomX x zoomY square; paints only what is exposed.
class BlockCanvas : public QWidget {
public:
    explicit BlockCanvas(QWidget* parent) : QWidget(parent) {}
    // Repaints `all`, or only `changed` (in pixels of the image; empty: nothing changed).
    void show(const QImage& image, int zoomX, int zoomY, bool all, const QRect& changed);
    // How long the last paint took.
    qint64 lastPaintNs() const { return lastPaintNs_; }
    // A press or drag with a button held, at the cell (column, row) of the image under it.
    std::function<void(int column, int row, Qt::MouseButtons buttons)> onMouse;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage image_;
    int zoomX_ = 1;
    int zoomY_ = 1;
    qint64 lastPaintNs_ = 0;
};

class LargeViewWindow : public QWidget {
public:
    // Height in screen pixels of the chain's strip at zoom 1.
    static constexpr int kStripHeight = 48;

    explicit LargeViewWindow(Program& program);

    // Reads the lattice afresh and repaints, unless hidden or the last one was too recent.
    void sync();
    // The same at once (a control changed, or a picture is to be saved).
    void refresh();

    // What the view holds now: the block, and the picture as shown (zoom included), which Save
    // writes.
    const Block& block() const { return block_; }
    RgbImage picture() const;
    // The picture unscaled, one pixel per site, and the zoom Save scales it by.
    const RgbImage& image() const { return image_; }
    int zoomY() const { return kind_ == RunKind::Chain ? kStripHeight : zoom_; }
    RunKind kind() const { return kind_; }
    int size() const { return size_; }
    int zoom() const { return zoom_; }
    SectionAxis axis() const;
    int section() const;
    // For tests and the user alike: pick the cube's section.
    void setSection(SectionAxis axis, int index);
    void setZoom(int zoom);  // 0: fit the window

    QPushButton* saveButton() const { return save_; }
    BlockCanvas* canvas() const { return canvas_; }
    // While set, the mouse draws spins into the lattice shown: the cell (column, row) of the
    // picture, +1 for the left button and -1 for the right.
    void setDrawing(std::function<void(int column, int row, int spin)> draw);
    QString sectionName() const;
    std::function<void()> onSave;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int fitZoom() const;
    void updateControls();

    Program& program_;
    QLabel* title_ = nullptr;
    QCheckBox* fit_ = nullptr;
    QSpinBox* zoomBox_ = nullptr;
    QWidget* sectionBar_ = nullptr;
    QComboBox* axisBox_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* sliderLabel_ = nullptr;
    QWidget* legend_ = nullptr;
    QWidget* spinLegend_ = nullptr;
    QPushButton* save_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    BlockCanvas* canvas_ = nullptr;

    RunKind kind_ = RunKind::Square;
    int size_ = -1;
    int zoom_ = 1;
    bool sectionChosen_ = false;
    Block block_;
    Block shown_;  // the block last painted, to repaint only what changed
    RunKind shownKind_ = RunKind::Square;
    RgbImage image_;
    QElapsedTimer clock_;
    qint64 nextSync_ = 0;
};

}  // namespace spinlab
