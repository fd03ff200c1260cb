#include "ui/labwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/program.h"
#include "measure/model.h"
#include "ui/largeview.h"
#include "ui/measuretools.h"

namespace spinlab {

namespace {

QString number(double v, int digits = 5) {
    return QString::number(v, 'g', digits);
}

QString withError(const Estimate& e) {
    if (e.error <= 0) return number(e.mean) + QStringLiteral(" (error: too few samples)");
    return QStringLiteral("%1 \u00b1 %2").arg(number(e.mean), number(e.error, 2));
}

QPushButton* button(const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption));
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

bool sameModel(const ModelOptions& a, const ModelOptions& b) {
    return a.coupling == b.coupling && a.edges == b.edges && a.field == b.field &&
           a.cluster == b.cluster;
}

}  // namespace

ScaleMarks::ScaleMarks(QSlider& slider, QWidget* parent) : QWidget(parent), slider_(slider) {
    setMinimumHeight(fontMetrics().height() * 2 + 6);
}

void ScaleMarks::setScale(double low, double high, double critical) {
    low_ = low;
    high_ = high;
    critical_ = critical;
    update();
}

void ScaleMarks::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option;
    option.initFrom(&slider_);
    option.orientation = Qt::Horizontal;
    option.minimum = slider_.minimum();
    option.maximum = slider_.maximum();
    const QRect handle = slider_.style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderHandle, &slider_);
    const int span = slider_.width() - handle.width();
    // The slider is a sibling: both are placed through their window.
    const QPoint origin = mapFrom(window(), slider_.mapTo(window(), QPoint(0, 0)));
    const int left = origin.x() + handle.width() / 2;
    auto xOf = [&](double t) {
        return left + static_cast<int>(std::lround((t - low_) / (high_ - low_) * span));
    };
    const int line = fontMetrics().height();
    painter.drawText(QRect(0, 2, width(), line), Qt::AlignLeft, number(low_));
    painter.drawText(QRect(0, 2, width(), line), Qt::AlignRight, number(high_));
    if (critical_ <= 0) return;
    const int x = xOf(critical_);
    painter.setPen(QPen(Qt::red, 2));
    painter.drawLine(x, 0, x, line);
    const QString label = QStringLiteral("Tc = %1").arg(number(critical_));
    const int w = fontMetrics().horizontalAdvance(label);
    painter.drawText(QRect(std::clamp(x - w / 2, 0, std::max(0, width() - w)), line + 2, w, line),
                     Qt::AlignLeft, label);
}

Histogram::Histogram(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 90);
    setObjectName(QStringLiteral("Histogram"));
}

void Histogram::setCounts(const std::array<std::uint64_t, LabAverages::kHistogramBins>& counts) {
    if (counts == counts_) return;
    counts_ = counts;
    update();
}

void Histogram::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int text = fontMetrics().height();
    const QRect plot = rect().adjusted(2, 2, -2, -text - 2);
    const std::uint64_t top = *std::max_element(counts_.begin(), counts_.end());
    const int bins = LabAverages::kHistogramBins;
    for (int i = 0; i < bins && top > 0; ++i) {
        const int x0 = plot.left() + plot.width() * i / bins;
        const int x1 = plot.left() + plot.width() * (i + 1) / bins;
        const int h = static_cast<int>(plot.height() * double(counts_[i]) / double(top));
        painter.fillRect(QRect(x0, plot.bottom() - h + 1, std::max(1, x1 - x0 - 1), h),
                         palette().highlight());
    }
    painter.setPen(palette().text().color());
    const QRect axis(plot.left(), plot.bottom() + 2, plot.width(), text);
    painter.drawText(axis, Qt::AlignLeft, QStringLiteral("m = -1"));
    painter.drawText(axis, Qt::AlignHCenter, QStringLiteral("0"));
    painter.drawText(axis, Qt::AlignRight, QStringLiteral("+1"));
}

LabWindow::LabWindow(Program& program, MeasureTools& tools)
    : QWidget(nullptr), program_(program), tools_(tools) {
    setObjectName(QStringLiteral("Lab"));
    setWindowTitle(QStringLiteral("Lab"));
    auto* layout = new QVBoxLayout(this);

    // What runs, and how.
    state_ = new QLabel;
    state_->setObjectName(QStringLiteral("RunState"));
    state_->setWordWrap(true);
    state_->setTextFormat(Qt::PlainText);
    auto* top = new QHBoxLayout;
    top->addWidget(state_, 1);
    QPushButton* textbook = button("Textbook", "Te&xtbook Model");
    textbook->setToolTip(QStringLiteral("Nearest neighbours and periodic edges"));
    top->addWidget(textbook);
    layout->addLayout(top);

    // Temperature: the slider, Heat and Cool, and the schedules.
    auto* tempBox = new QGroupBox(QStringLiteral("Temperature"));
    auto* temp = new QVBoxLayout(tempBox);
    auto* sliderRow = new QHBoxLayout;
    auto* tempLabel = new QLabel(QStringLiteral("&T"));
    tempSlider_ = new QSlider(Qt::Horizontal);
    tempSlider_->setObjectName(QStringLiteral("TemperatureSlider"));
    tempSlider_->setRange(0, kSliderSteps);
    tempSlider_->setPageStep(kSliderSteps / 20);
    tempLabel->setBuddy(tempSlider_);
    tempValue_ = new QLabel;
    tempValue_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("T = 00.0000")));
    sliderRow->addWidget(tempLabel);
    sliderRow->addWidget(tempSlider_, 1);
    sliderRow->addWidget(tempValue_);
    temp->addLayout(sliderRow);
    marks_ = new ScaleMarks(*tempSlider_, tempBox);
    temp->addWidget(marks_);

    auto* heatRow = new QHBoxLayout;
    QPushButton* cool = button("Cool", "&Cool");
    QPushButton* heat = button("Heat", "&Heat");
    step_ = new QDoubleSpinBox;
    step_->setObjectName(QStringLiteral("HeatStep"));
    step_->setRange(0.001, 10);
    step_->setDecimals(3);
    step_->setSingleStep(0.05);
    step_->setValue(0.1);
    auto* stepLabel = new QLabel(QStringLiteral("by"));
    stepLabel->setBuddy(step_);
    heatRow->addWidget(cool);
    heatRow->addWidget(heat);
    heatRow->addWidget(stepLabel);
    heatRow->addWidget(step_);
    heatRow->addStretch(1);
    temp->addLayout(heatRow);

    auto* scheduleRow = new QHBoxLayout;
    auto spinT = [](const char* name, double value) {
        auto* box = new QDoubleSpinBox;
        box->setObjectName(QString::fromLatin1(name));
        // Temp reads 0.5 and below as T = 1.
        box->setRange(0.51, 1000);
        box->setDecimals(4);
        box->setSingleStep(0.1);
        box->setValue(value);
        return box;
    };
    from_box_ = spinT("ScheduleFrom", 5.0);
    to_box_ = spinT("ScheduleTo", 1.0);
    sweeps_ = new QSpinBox;
    sweeps_->setObjectName(QStringLiteral("ScheduleSweeps"));
    sweeps_->setRange(0, 1'000'000);
    sweeps_->setValue(100);
    sweeps_->setSpecialValueText(QStringLiteral("0 (at once)"));
    auto* fromLabel = new QLabel(QStringLiteral("&From T1"));
    fromLabel->setBuddy(from_box_);
    auto* toLabel = new QLabel(QStringLiteral("t&o T2"));
    toLabel->setBuddy(to_box_);
    auto* overLabel = new QLabel(QStringLiteral("o&ver sweeps"));
    overLabel->setBuddy(sweeps_);
    scheduleRow->addWidget(fromLabel);
    scheduleRow->addWidget(from_box_);
    scheduleRow->addWidget(toLabel);
    scheduleRow->addWidget(to_box_);
    scheduleRow->addWidget(overLabel);
    scheduleRow->addWidget(sweeps_);
    temp->addLayout(scheduleRow);
    auto* scheduleButtons = new QHBoxLayout;
    QPushButton* run = button("RunSchedule", "&Run Schedule");
    QPushButton* quench = button("Quench", "&Quench to T2");
    QPushButton* stop = button("StopSchedule", "Stop Sched&ule");
    scheduleButtons->addWidget(run);
    scheduleButtons->addWidget(quench);
    scheduleButtons->addWidget(stop);
    scheduleState_ = new QLabel;
    scheduleState_->setObjectName(QStringLiteral("ScheduleState"));
    scheduleButtons->addWidget(scheduleState_, 1);
    temp->addLayout(scheduleButtons);
    layout->addWidget(tempBox);

    // The field, the start state, the speed and drawing.
    auto* setup = new QGroupBox(QStringLiteral("Field, start and speed"));
    auto* form = new QFormLayout(setup);
    auto* fieldRow = new QHBoxLayout;
    fieldSlider_ = new QSlider(Qt::Horizontal);
    fieldSlider_->setObjectName(QStringLiteral("FieldSlider"));
    fieldSlider_->setRange(-kSliderSteps, kSliderSteps);
    fieldSlider_->setPageStep(kSliderSteps / 20);
    fieldValue_ = new QLabel;
    fieldValue_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("h = -00.000")));
    QPushButton* zero = button("FieldZero", "h = &0");
    fieldRow->addWidget(fieldSlider_, 1);
    fieldRow->addWidget(fieldValue_);
    fieldRow->addWidget(zero);
    auto* fieldLabel = new QLabel(QStringLiteral("F&ield h"));
    fieldLabel->setBuddy(fieldSlider_);
    form->addRow(fieldLabel, fieldRow);
    start_ = new QComboBox;
    start_->setObjectName(QStringLiteral("StartState"));
    for (const StartChoice& c : kStartChoices)
        start_->addItem(QString::fromUtf8(c.caption.data(), static_cast<int>(c.caption.size())));
    auto* startLabel = new QLabel(QStringLiteral("&Start state"));
    startLabel->setBuddy(start_);
    form->addRow(startLabel, start_);
    sweepSpeed_ = new QComboBox;
    sweepSpeed_->setObjectName(QStringLiteral("SweepSpeed"));
    for (const SweepChoice& c : kSweepChoices)
        sweepSpeed_->addItem(
            QString::fromUtf8(c.caption.data(), static_cast<int>(c.caption.size())));
    auto* speedLabel = new QLabel(QStringLiteral("S&peed"));
    speedLabel->setBuddy(sweepSpeed_);
    form->addRow(speedLabel, sweepSpeed_);
    auto* drawRow = new QHBoxLayout;
    draw_ = new QCheckBox(QStringLiteral("&Draw spins in Large View (left button +1, right -1)"));
    draw_->setObjectName(QStringLiteral("DrawSpins"));
    brush_ = new QSpinBox;
    brush_->setObjectName(QStringLiteral("Brush"));
    brush_->setRange(0, 100);
    brush_->setValue(3);
    brush_->setPrefix(QStringLiteral("brush radius "));
    drawRow->addWidget(draw_);
    drawRow->addWidget(brush_);
    form->addRow(drawRow);
    layout->addWidget(setup);

    // The averages.
    auto* averagesBox = new QGroupBox(QStringLiteral("Averages"));
    auto* averages = new QGridLayout(averagesBox);
    QPushButton* now = button("AverageFromNow", "&Average from now");
    averages->addWidget(now, 0, 0);
    averagesText_ = new QLabel(QStringLiteral("Press Average from now during a run."));
    averagesText_->setObjectName(QStringLiteral("AveragesText"));
    averagesText_->setTextFormat(Qt::PlainText);
    averagesText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    averages->addWidget(averagesText_, 1, 0);
    histogram_ = new Histogram(averagesBox);
    averages->addWidget(histogram_, 0, 1, 2, 1);
    averages->setColumnStretch(1, 1);
    layout->addWidget(averagesBox, 1);

    connect(textbook, &QPushButton::clicked, this, [this] {
        ModelOptions& m = program_.IsingModel().state.model;
        m.coupling = Coupling::Nearest;
        m.edges = Edges::Periodic;
        program_.handle([] {});
    });
    connect(tempSlider_, &QSlider::valueChanged, this, [this] {
        schedule_.cancel();
        setTemperature(sliderTemperature());
    });
    connect(heat, &QPushButton::clicked, this, [this] { this->heat(1); });
    connect(cool, &QPushButton::clicked, this, [this] { this->heat(-1); });
    connect(run, &QPushButton::clicked, this,
            [this] { runSchedule(from_box_->value(), to_box_->value(), sweeps_->value()); });
    connect(quench, &QPushButton::clicked, this, [this] {
        double now = to_box_->value();
        try {
            now = program_.IsingModel().rule.temperature();
        } catch (const PlatformError&) {
        }
        runSchedule(now, to_box_->value(), 0);
    });
    connect(stop, &QPushButton::clicked, this, [this] {
        schedule_.cancel();
        scheduleState_->setText(QStringLiteral("Stopped."));
    });
    connect(fieldSlider_, &QSlider::valueChanged, this, [this](int v) {
        const double reach = couplingCount(kindInView(), program_.IsingModel().state.model);
        setField(reach * v / kSliderSteps);
    });
    connect(zero, &QPushButton::clicked, this, [this] { setField(0); });
    connect(start_, &QComboBox::currentIndexChanged, this, [this](int i) {
        program_.IsingModel().state.start = kStartChoices[static_cast<std::size_t>(i)].state;
    });
    connect(sweepSpeed_, &QComboBox::currentIndexChanged, this,
            [this](int i) { program_.pace().setSweepSpeed(static_cast<std::size_t>(i)); });
    connect(draw_, &QCheckBox::toggled, this, [this](bool on) {
        drawingInstalled_ = false;
        if (on) tools_.showLargeView();
        installDrawing();
    });
    connect(now, &QPushButton::clicked, this, [this] { averageFromNow(); });

    averagesClock_.start();
    resize(620, 640);
    sync();
}

LabWindow::~LabWindow() {
    if (tools_.largeView()) tools_.largeView()->setDrawing(nullptr);
    stopAveraging();
}

RunKind LabWindow::kindInView() const {
    const RunRecord* run = program_.runs().innermost();
    return run && run->kind != RunKind::Ant ? run->kind : selectedMode(program_);
}

TemperatureScale LabWindow::scale() const {
    return temperatureScale(kindInView(), program_.IsingModel().state.model);
}

double LabWindow::sliderTemperature() const {
    const TemperatureScale s = scale();
    return s.low + (s.high - s.low) * tempSlider_->value() / kSliderSteps;
}

void LabWindow::placeTemperatureSlider(double t) {
    const TemperatureScale s = scale();
    const QSignalBlocker blocker(tempSlider_);
    tempSlider_->setValue(
        static_cast<int>(std::lround((t - s.low) / (s.high - s.low) * kSliderSteps)));
    tempValue_->setText(QStringLiteral("T = %1").arg(number(t)));
}

void LabWindow::setTemperature(double t) {
    const std::string text = temperatureText(t);
    program_.handle([this, &text] { program_.IsingModel().Temp.setText(text); });
}

void LabWindow::heat(int sign) {
    schedule_.cancel();
    double t = sliderTemperature();
    try {
        t = program_.IsingModel().rule.temperature();
    } catch (const PlatformError&) {
    }
    // Cooling stops at the scale's low end: Temp reads 0.5 and below as T = 1.
    setTemperature(std::max(scale().low, t + sign * step_->value()));
}

void LabWindow::runSchedule(double t1, double t2, double sweeps) {
    if (!schedule_.begin(program_, t1, t2, sweeps)) {
        scheduleState_->setText(
            QStringLiteral("Press Start first: a schedule counts the sweeps "
                           "of the run under way."));
        return;
    }
    schedule_.advance(program_);
    program_.handle([] {});
}

void LabWindow::setField(double h) {
    ModelOptions& m = program_.IsingModel().state.model;
    if (h != 0 && m.cluster) {
        program_.backend().reportError(
            "The Wolff cluster update works without a field: choose Run > Model > Wolff Cluster "
            "Update off to use the field slider.");
        placeFieldSlider();
        return;
    }
    m.field = h;
    program_.handle([] {});
}

void LabWindow::placeFieldSlider() {
    const double h = program_.IsingModel().state.model.field;
    const double reach = couplingCount(kindInView(), program_.IsingModel().state.model);
    const QSignalBlocker blocker(fieldSlider_);
    fieldSlider_->setValue(static_cast<int>(std::lround(h / reach * kSliderSteps)));
    fieldValue_->setText(QStringLiteral("h = %1").arg(number(h, 4)));
    shownField_ = h;
}

void LabWindow::installDrawing() {
    LargeViewWindow* view = tools_.largeView();
    if (!view || drawingInstalled_) return;
    drawingInstalled_ = true;
    if (!draw_->isChecked()) {
        view->setDrawing(nullptr);
        return;
    }
    view->setDrawing([this, view](int column, int row, int spin) {
        const int radius = brush_->value();
        int changed = 0;
        if (view->kind() == RunKind::Square) {
            changed = drawSquareSpins(program_, column, row, radius, spin);
        } else if (view->kind() == RunKind::Cubic) {
            const int at = view->section();
            switch (view->axis()) {
                case SectionAxis::Z:
                    changed = drawCubicSpins(program_, column, row, at, 0, radius, spin);
                    break;
                case SectionAxis::X:
                    changed = drawCubicSpins(program_, at, column, row, 1, radius, spin);
                    break;
                case SectionAxis::Y:
                    changed = drawCubicSpins(program_, column, at, row, 2, radius, spin);
                    break;
            }
        }
        if (changed > 0) view->refresh();
    });
}

void LabWindow::averageFromNow() {
    Recorder& recorder = tools_.recorder();
    recorder.attach(this);
    const RunRecord* run = program_.runs().innermost();
    if (!recorder.live() || run == nullptr || run->kind == RunKind::Ant) {
        averaging_ = false;
        averagesText_->setText(
            QStringLiteral("Press Start first: the averages follow the run "
                           "under way."));
        return;
    }
    averaging_ = true;
    from_ = recorder.trials() + 1;
    serial_ = recorder.serial();
    model_ = program_.IsingModel().state.model;
    try {
        temperature_ = program_.IsingModel().rule.temperature();
    } catch (const PlatformError&) {
        temperature_ = 1;
    }
    storeVersion_ = 0;
    averages_ = LabAverages{};
    refreshAverages();
}

void LabWindow::stopAveraging() {
    averaging_ = false;
    tools_.recorder().detach(this);
}

bool LabWindow::averagesStale() {
    const Recorder& recorder = tools_.recorder();
    double t = temperature_;
    try {
        t = program_.IsingModel().rule.temperature();
    } catch (const PlatformError&) {
    }
    return recorder.serial() != serial_ || t != temperature_ ||
           !sameModel(model_, program_.IsingModel().state.model);
}

void LabWindow::refreshAverages() {
    if (!averaging_) return;
    Recorder& recorder = tools_.recorder();
    // A new temperature, field, model or run starts the averages afresh.
    if (averagesStale()) {
        averageFromNow();
        return;
    }
    if (!recorder.model()) return;
    storeVersion_ = recorder.store().version();
    averages_ = labAverages(recorder.store(), from_, recorder.sites(), temperature_,
                            recorder.model()->chain);
    averagesClock_.restart();
    showAverages();
}

void LabWindow::showAverages() {
    const bool chain = tools_.recorder().model() && tools_.recorder().model()->chain;
    QStringList lines;
    lines << QStringLiteral("From trial %1 at T = %2: %3 samples")
                 .arg(QLocale(QLocale::English).toString(qulonglong(from_)))
                 .arg(number(temperature_))
                 .arg(averages_.samples);
    lines << QStringLiteral("<E> per site = %1").arg(withError(averages_.energy));
    if (!chain) lines << QStringLiteral("<|m|> = %1").arg(withError(averages_.absMagnetization));
    lines << QStringLiteral("C = %1").arg(withError(averages_.fluctuations.specificHeat));
    if (!chain) {
        lines << QStringLiteral("chi = %1").arg(withError(averages_.fluctuations.susceptibility));
        lines << QStringLiteral("U4 = %1").arg(withError(averages_.fluctuations.binder));
    }
    // The same judgement as a sweep's row: errors that cannot vouch for themselves say so.
    lines << (averages_.verdict.warning.empty()
                  ? QStringLiteral("Errors: the run's samples vouch for them.")
                  : QStringLiteral("Warning: %1.")
                        .arg(QString::fromStdString(averages_.verdict.warning)));
    averagesText_->setText(lines.join('\n'));
    histogram_->setCounts(averages_.histogram);
}

void LabWindow::sync() {
    MainForm& form = program_.IsingModel();
    if (schedule_.active()) {
        schedule_.advance(program_);
        scheduleState_->setText(
            schedule_.active()
                ? QStringLiteral("%1 of %2 sweeps")
                      .arg(number(schedule_.sweepsDone(program_), 4))
                      .arg(sweeps_->value())
                : QStringLiteral("Reached T2 = %1.").arg(number(schedule_.target())));
    }
    const RunKind kind = kindInView();
    const bool rescale = kind != scaleKind_ || form.state.model.coupling != scaleModel_.coupling;
    if (rescale) {
        scaleKind_ = kind;
        scaleModel_ = form.state.model;
        const TemperatureScale s = scale();
        marks_->setScale(s.low, s.high, s.critical);
        tempVersion_ = 0;
    }
    if (form.Temp.version() != tempVersion_) {
        tempVersion_ = form.Temp.version();
        try {
            placeTemperatureSlider(form.rule.temperature());
        } catch (const PlatformError&) {
            tempValue_->setText(QStringLiteral("T: not a number"));
        }
    }
    if (rescale || form.state.model.field != shownField_) placeFieldSlider();
    fieldSlider_->setEnabled(kind != RunKind::Chain);
    {
        const QSignalBlocker a(start_), b(sweepSpeed_);
        start_->setCurrentIndex(static_cast<int>(form.state.start));
        sweepSpeed_->setCurrentIndex(static_cast<int>(program_.pace().sweepSpeed()));
    }
    const QString state = QString::fromStdString(runStateText(program_));
    if (state_->text() != state) state_->setText(state);
    if (draw_->isChecked()) installDrawing();
    if (averaging_ && (averagesStale() || (tools_.recorder().store().version() != storeVersion_ &&
                                           averagesClock_.elapsed() >= 250)))
        refreshAverages();
}

void LabWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    // Closing ends what the window drives: its schedule, its averages, drawing.
    schedule_.cancel();
    stopAveraging();
    if (draw_->isChecked()) draw_->setChecked(false);
}

LabTools::LabTools(QMenu& runMenu, Program& program, MeasureTools& tools)
    : program_(program), tools_(tools) {
    runMenu.addSeparator();
    action_ = runMenu.addAction(QStringLiteral("La&b..."));
    action_->setObjectName(QStringLiteral("Lab"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    // From every window of the program, as the run's own keys.
    action_->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(action_, &QAction::triggered, &runMenu, [this] { show(); });
}

LabTools::~LabTools() = default;

void LabTools::show() {
    if (!window_) window_ = std::make_unique<LabWindow>(program_, tools_);
    if (window_->isMinimized()) window_->showNormal();
    window_->show();
    window_->raise();
    window_->activateWindow();
    window_->sync();
}

void LabTools::sync() {
    if (window_ && window_->isVisible()) window_->sync();
}

void LabTools::hide() {
    if (window_) window_->hide();
}

}  // namespace spinlab
