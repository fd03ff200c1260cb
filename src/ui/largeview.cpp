#include "ui/largeview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/application.h"
#include "core/program.h"
#include "measure/model.h"

namespace spinlab {

namespace {

QString whole(long long n) {
    return QLocale(QLocale::English).toString(n);
}

// The middle plane index the 3D view window shows: N / 2 rounded, a tie to the even neighbour.
int middle(int n) {
    return static_cast<int>(std::nearbyint(n / 2.0));
}

// The view takes at most a 1/kCostShare of the run's time, painting included: with the
// Measurements window beside it the run keeps nine tenths of its pace.
constexpr qint64 kCostShare = 25;
// And it is redrawn at most 25 times a second, which moves as smoothly to the eye.
constexpr qint64 kMinPeriodNs = 40'000'000;

const char* const kAxisNames[] = {"z (XY plane)", "x (YZ plane)", "y (XZ plane)"};
const char kAxisLetters[] = {'z', 'x', 'y'};

}  // namespace

void BlockCanvas::show(const QImage& image, int zoomX, int zoomY, bool all, const QRect& changed) {
    image_ = image;
    const bool sameScale = zoomX_ == std::max(zoomX, 1) && zoomY_ == std::max(zoomY, 1);
    zoomX_ = std::max(zoomX, 1);
    zoomY_ = std::max(zoomY, 1);
    const QSize size(image.width() * zoomX_, image.height() * zoomY_);
    if (this->size() != size || !sameScale || all) {
        if (this->size() != size) setFixedSize(size);
        update();
    } else if (!changed.isEmpty()) {
        update(QRect(changed.left() * zoomX_, changed.top() * zoomY_, changed.width() * zoomX_,
                     changed.height() * zoomY_));
    }
}

void BlockCanvas::paintEvent(QPaintEvent* event) {
    QElapsedTimer timer;
    timer.start();
    QPainter painter(this);
    if (image_.isNull()) return;
    // Whole source pixels covering the exposed part, each drawn as a zoom x zoom square: no
    // smoothing, since the painter's smooth transform hint is off.
    const QRect exposed = event->rect();
    const int x0 = exposed.left() / zoomX_, y0 = exposed.top() / zoomY_;
    const int x1 = std::min(image_.width() - 1, exposed.right() / zoomX_);
    const int y1 = std::min(image_.height() - 1, exposed.bottom() / zoomY_);
    if (x1 < x0 || y1 < y0) return;
    const QRect source(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
    const QRect target(x0 * zoomX_, y0 * zoomY_, source.width() * zoomX_, source.height() * zoomY_);
    painter.drawImage(target, image_, source);
    lastPaintNs_ = timer.nsecsElapsed();
}

void BlockCanvas::mousePressEvent(QMouseEvent* event) {
    mouseMoveEvent(event);
}

void BlockCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!onMouse || image_.isNull() || event->buttons() == Qt::NoButton) return;
    const QPoint at = event->position().toPoint();
    const int column = at.x() / zoomX_, row = at.y() / zoomY_;
    if (at.x() < 0 || at.y() < 0 || column >= image_.width() || row >= image_.height()) return;
    onMouse(column, row, event->buttons());
}

LargeViewWindow::LargeViewWindow(Program& program) : QWidget(nullptr), program_(program) {
    setObjectName(QStringLiteral("LargeView"));
    setWindowTitle(QStringLiteral("Large View"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    title_ = new QLabel;
    title_->setTextFormat(Qt::PlainText);
    bar->addWidget(title_, 1);
    fit_ = new QCheckBox(QStringLiteral("Fit"));
    fit_->setChecked(true);
    bar->addWidget(fit_);
    bar->addWidget(new QLabel(QStringLiteral("Zoom")));
    zoomBox_ = new QSpinBox;
    zoomBox_->setRange(1, 64);
    zoomBox_->setSuffix(QStringLiteral(" x"));
    zoomBox_->setEnabled(false);
    bar->addWidget(zoomBox_);
    save_ = new QPushButton(QStringLiteral("Save Picture..."));
    bar->addWidget(save_);
    layout->addLayout(bar);

    sectionBar_ = new QWidget;
    auto* section = new QHBoxLayout(sectionBar_);
    section->setContentsMargins(0, 0, 0, 0);
    section->addWidget(new QLabel(QStringLiteral("Section across")));
    axisBox_ = new QComboBox;
    for (const char* name : kAxisNames)
        axisBox_->addItem(QString::fromLatin1(name));
    section->addWidget(axisBox_);
    slider_ = new QSlider(Qt::Horizontal);
    slider_->setRange(0, 0);
    slider_->setPageStep(1);
    section->addWidget(slider_, 1);
    sliderLabel_ = new QLabel;
    sliderLabel_->setMinimumWidth(70);
    section->addWidget(sliderLabel_);
    layout->addWidget(sectionBar_);

    legend_ = new QWidget;
    auto* legend = new QHBoxLayout(legend_);
    legend->setContentsMargins(0, 0, 0, 0);
    legend->addWidget(new QLabel(QStringLiteral("States:")));
    for (int s = 1; s <= 9; ++s) {
        QPixmap swatch(14, 14);
        swatch.fill(QColor(static_cast<QRgb>(chainStateColour(s))));
        auto* box = new QLabel;
        box->setPixmap(swatch);
        legend->addWidget(box);
        legend->addWidget(new QLabel(QString::number(s)));
    }
    legend->addStretch(1);
    layout->addWidget(legend_);

    // The spins' two colours, as every picture of the lattices shows them.
    spinLegend_ = new QWidget;
    spinLegend_->setObjectName(QStringLiteral("SpinLegend"));
    auto* spins = new QHBoxLayout(spinLegend_);
    spins->setContentsMargins(0, 0, 0, 0);
    spins->addWidget(new QLabel(QStringLiteral("Spins:")));
    for (const auto& [colour, name] : {std::pair{9, "-1 (down)"}, std::pair{15, "+1 (up)"}}) {
        QPixmap swatch(14, 14);
        swatch.fill(QColor(static_cast<QRgb>(QBColor(static_cast<std::int16_t>(colour)))));
        auto* box = new QLabel;
        box->setPixmap(swatch);
        spins->addWidget(box);
        spins->addWidget(new QLabel(QString::fromLatin1(name)));
    }
    spins->addStretch(1);
    layout->addWidget(spinLegend_);

    scroll_ = new QScrollArea;
    scroll_->setBackgroundRole(QPalette::Dark);
    canvas_ = new BlockCanvas(scroll_);
    // The image covers the canvas: nothing beneath it needs painting first.
    canvas_->setAttribute(Qt::WA_OpaquePaintEvent);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(false);
    layout->addWidget(scroll_, 1);

    connect(fit_, &QCheckBox::toggled, this, [this](bool on) {
        zoomBox_->setEnabled(!on);
        refresh();
    });
    connect(zoomBox_, &QSpinBox::valueChanged, this, [this] { refresh(); });
    connect(axisBox_, &QComboBox::currentIndexChanged, this, [this] {
        sectionChosen_ = true;
        refresh();
    });
    connect(slider_, &QSlider::valueChanged, this, [this] {
        sectionChosen_ = true;
        refresh();
    });
    connect(save_, &QPushButton::clicked, this, [this] {
        if (onSave) onSave();
    });
    updateControls();
    resize(760, 720);
    clock_.start();
}

SectionAxis LargeViewWindow::axis() const {
    return static_cast<SectionAxis>(axisBox_->currentIndex());
}

int LargeViewWindow::section() const {
    return slider_->value();
}

QString LargeViewWindow::sectionName() const {
    return QStringLiteral("%1%2").arg(kAxisLetters[axisBox_->currentIndex()]).arg(section());
}

void LargeViewWindow::setSection(SectionAxis axis, int index) {
    axisBox_->setCurrentIndex(static_cast<int>(axis));
    slider_->setValue(index);
    sectionChosen_ = true;
    refresh();
}

void LargeViewWindow::setZoom(int zoom) {
    fit_->setChecked(zoom <= 0);
    if (zoom > 0) zoomBox_->setValue(zoom);
    refresh();
}

void LargeViewWindow::updateControls() {
    sectionBar_->setVisible(kind_ == RunKind::Cubic);
    legend_->setVisible(kind_ == RunKind::Chain);
    spinLegend_->setVisible(kind_ != RunKind::Chain);
}

void LargeViewWindow::setDrawing(std::function<void(int column, int row, int spin)> draw) {
    if (!draw) {
        canvas_->onMouse = nullptr;
        canvas_->unsetCursor();
        return;
    }
    canvas_->onMouse = [draw = std::move(draw)](int column, int row, Qt::MouseButtons buttons) {
        if (buttons & Qt::LeftButton)
            draw(column, row, 1);
        else if (buttons & Qt::RightButton)
            draw(column, row, -1);
    };
    canvas_->setCursor(Qt::CrossCursor);
}

int LargeViewWindow::fitZoom() const {
    if (block_.width <= 0 || block_.height <= 0) return 1;
    const QSize room = scroll_->viewport()->size();
    int zoom = room.width() / block_.width;
    if (kind_ != RunKind::Chain) zoom = std::min(zoom, room.height() / block_.height);
    return std::clamp(zoom, 1, 64);
}

void LargeViewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fit_->isChecked()) refresh();
}

RgbImage LargeViewWindow::picture() const {
    return scaled(image_, zoom_, kind_ == RunKind::Chain ? kStripHeight : zoom_);
}

void LargeViewWindow::sync() {
    // Reading and painting a lattice of a million sites takes milliseconds: the view takes at
    // most a 25th of the run's time, which for all but the largest lattices is every repaint.
    if (clock_.nsecsElapsed() >= nextSync_) refresh();
}

void LargeViewWindow::refresh() {
    if (!isVisible() || isMinimized()) return;
    const qint64 now = clock_.nsecsElapsed();
    struct Cost {
        LargeViewWindow& view;
        qint64 start;
        ~Cost() {
            const qint64 spent = view.clock_.nsecsElapsed() - start + view.canvas_->lastPaintNs();
            view.nextSync_ = start + std::max(kCostShare * spent, kMinPeriodNs);
        }
    } cost{*this, now};
    // The run under way; the ant's walk has no lattice, so then (and when idle) the simulation
    // the File menu has selected.
    const RunRecord* run = program_.runs().innermost();
    const RunKind kind = run && run->kind != RunKind::Ant ? run->kind : selectedMode(program_);
    const Model& model = *findModel(kind);
    int n = 0;
    try {
        // Idle, the lattice is what the last run left: its size, not what the box says now.
        const int last = program_.runs().lastSize(kind);
        n = (run && run->kind == kind) || last < 0 ? model.size(program_) : last;
    } catch (const PlatformError& e) {
        title_->setText(QString::fromStdString(describeError(program_, e)));
        return;
    }
    const int max = kind == RunKind::Square  ? SquareLattice::kMax
                    : kind == RunKind::Cubic ? CubicLattice::kMax
                                             : Chain::kMax;
    if (n < 0 || n > max) {
        title_->setText(QStringLiteral("%1 %2 is outside 0..%3: nothing to show.")
                            .arg(kind == RunKind::Chain ? "Number of Chain Units" : "Lattice Size")
                            .arg(n)
                            .arg(max));
        return;
    }
    if (kind != kind_ || n != size_) {
        kind_ = kind;
        if (kind == RunKind::Cubic && (!sectionChosen_ || slider_->value() > n)) {
            const QSignalBlocker blocker(slider_);
            slider_->setRange(0, n);
            slider_->setValue(middle(n));
        }
        size_ = n;
        updateControls();
    }
    if (slider_->maximum() != n && kind == RunKind::Cubic) {
        const QSignalBlocker blocker(slider_);
        slider_->setRange(0, n);
    }

    const SimState& state = program_.IsingModel().state;
    QString title;
    switch (kind) {
        case RunKind::Square:
            readSquare(state.Lattice2D, n, block_);
            title = QStringLiteral("Square lattice, N = %1: %2 x %2 sites")
                        .arg(whole(n))
                        .arg(whole(n + 1));
            break;
        case RunKind::Cubic:
            readSection(state.Lattice3D, n, axis(), section(), block_);
            title = QStringLiteral("Cubic lattice, N = %1: %2 x %2 sites of a section")
                        .arg(whole(n))
                        .arg(whole(n + 1));
            sliderLabel_->setText(QStringLiteral("%1 = %2")
                                      .arg(kAxisLetters[axisBox_->currentIndex()])
                                      .arg(section()));
            break;
        case RunKind::Chain:
        case RunKind::Ant:
            readChain(state.ChainState, n, block_);
            title =
                QStringLiteral("Polymer chain, n = %1: %2 units").arg(whole(n)).arg(whole(n + 1));
            break;
    }
    // Only the cells that changed since the last repaint are painted again: a lattice near order
    // changes in a few places a frame.
    bool all = true;
    QRect changed;
    if (shown_.width == block_.width && shown_.height == block_.height && shownKind_ == kind) {
        all = false;
        int left = block_.width, right = -1, top = block_.height, bottom = -1;
        for (int row = 0; row < block_.height; ++row) {
            const std::size_t at = static_cast<std::size_t>(row) * block_.width;
            const std::int8_t* now = block_.cells.data() + at;
            const std::int8_t* was = shown_.cells.data() + at;
            if (std::equal(now, now + block_.width, was)) continue;
            int first = 0, last = block_.width - 1;
            while (now[first] == was[first])
                ++first;
            while (now[last] == was[last])
                --last;
            left = std::min(left, first);
            right = std::max(right, last);
            top = std::min(top, row);
            bottom = row;
        }
        changed =
            right < 0 ? QRect(0, 0, 0, 0) : QRect(left, top, right - left + 1, bottom - top + 1);
    }
    shown_.width = block_.width;
    shown_.height = block_.height;
    shown_.cells = block_.cells;
    shownKind_ = kind;
    paintBlock(block_, kind == RunKind::Chain ? BlockColours::ChainStates : BlockColours::Spins,
               image_);
    zoom_ = fit_->isChecked() ? fitZoom() : zoomBox_->value();
    if (fit_->isChecked() && zoomBox_->value() != zoom_) {
        const QSignalBlocker blocker(zoomBox_);
        zoomBox_->setValue(zoom_);
    }
    title_->setText(title);
    const QImage wrapped(reinterpret_cast<const uchar*>(image_.pixels.data()), image_.width,
                         image_.height, static_cast<qsizetype>(image_.width) * 4,
                         QImage::Format_RGB32);
    canvas_->show(wrapped, zoom_, kind == RunKind::Chain ? kStripHeight : zoom_, all, changed);
}

}  // namespace spinlab
