#include "ui/measurewindow.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/application.h"
#include "measure/blocks.h"
#include "measure/recorder.h"

namespace spinlab {

namespace {

// Enough points to show the shape of a run of days; more would only slow the repaint.
constexpr std::size_t kPlotPoints = 500;
// Redrawing a chart costs far more than a repaint of the pictures: five times a second keeps
// the plots live and leaves the time to the run. The values beside them change ten times a
// second, as fast as they can be read; once the run stands still both show its end at once.
constexpr qint64 kPlotPeriodMs = 200;
constexpr qint64 kValuesPeriodMs = 100;

QString whole(std::uint64_t n) {
    return QLocale(QLocale::English).toString(static_cast<qulonglong>(n));
}

QString simulationName(RunKind kind) {
    switch (kind) {
        case RunKind::Square:
            return QStringLiteral("Square lattice");
        case RunKind::Cubic:
            return QStringLiteral("Cubic lattice");
        case RunKind::Chain:
            return QStringLiteral("Polymer chain");
        case RunKind::Ant:
            break;
    }
    return QStringLiteral("Ant walk");
}

// The lattices' model as the next trial uses it; the chain and the ant have none.
QString modelText(Program& program, RunKind kind) {
    if (kind != RunKind::Square && kind != RunKind::Cubic) return QStringLiteral("-");
    return QString::fromStdString(program.IsingModel().state.model.describe());
}

const char* const kRows[] = {
    "Simulation",        "Model",      "Run",         "Trials", "Sweeps",
    "Trials per second", "Acceptance", "Temperature", "Energy", "Magnetisation",
    "Fractions",         "Sampled",    "Kept"};

// Lines of a row whose value changes as the run goes on; 0 for the others.
int changingLines(const std::string& row) {
    if (row == "Fractions") return 3;
    if (row == "Kept") return 2;
    for (const char* one : {"Trials", "Sweeps", "Trials per second", "Acceptance", "Energy",
                            "Magnetisation", "Sampled"}) {
        if (row == one) return 1;
    }
    return 0;
}

// The parts of the run the plots can show: the whole of it, or its recent part with the start-up
// transient left out, the y range fitted to what is shown.
struct Part {
    const char* caption;
    double fraction;
};
constexpr Part kParts[] = {{"Whole run", 1.0}, {"Last half", 0.5}, {"Last tenth", 0.1}};

// Decimals that show a multiple of `step` (1, 2 or 5 times a power of ten) in full.
int decimalsFor(double step) {
    return std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
}

QString tickLabel(double value, int decimals) {
    if (std::abs(value) < 1e-12) value = 0;  // no "-0"
    return QString::number(value, 'f', decimals);
}

}  // namespace

MeasurementsWindow::MeasurementsWindow(Program& program, Recorder& recorder)
    : QWidget(nullptr), program_(program), recorder_(recorder) {
    setObjectName(QStringLiteral("Measurements"));
    setWindowTitle(QStringLiteral("Measurements"));
    auto* layout = new QHBoxLayout(this);
    auto* plots = new QVBoxLayout;
    upper_ = makeChart(QString());
    lower_ = makeChart(QString());
    plots->addWidget(upper_.view, 1);
    plots->addWidget(lower_.view, 1);
    layout->addLayout(plots, 1);

    auto* side = new QVBoxLayout;
    auto* now = new QGroupBox(QStringLiteral("Now"));
    auto* form = new QFormLayout(now);
    for (const char* row : kRows) {
        auto* caption = new QLabel(QString::fromLatin1(row));
        auto* value = new QLabel;
        value->setTextFormat(Qt::PlainText);
        value->setMinimumWidth(250);
        // The rows that change as the run goes keep one size, so a new text does not lay the
        // window out again, and are plain text, which paints without a text document (the
        // saved series holds their numbers); the others can be selected and copied.
        if (const int lines = changingLines(row); lines > 0) {
            value->setFixedSize(250, lines * value->fontMetrics().lineSpacing() + 2);
        } else {
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
        form->addRow(caption, value);
        captions_[row] = caption;
        values_[row] = value;
    }
    side->addWidget(now);
    // A value growing by a digit must not resize the plots beside it: a chart redraws in full
    // whenever its size changes.
    now->setFixedWidth(now->sizeHint().width() + 40);
    auto* partRow = new QHBoxLayout;
    partRow->addWidget(new QLabel(QStringLiteral("Plots show")));
    part_ = new QComboBox;
    part_->setObjectName(QStringLiteral("PlotPart"));
    for (const Part& p : kParts)
        part_->addItem(QString::fromLatin1(p.caption));
    connect(part_, &QComboBox::currentIndexChanged, this, [this] {
        plottedVersion_ = ~0ull;
        if (isVisible()) plot();
    });
    partRow->addWidget(part_, 1);
    side->addLayout(partRow);
    save_ = new QPushButton(QStringLiteral("Save Measurements..."));
    connect(save_, &QPushButton::clicked, this, [this] {
        if (onSave) onSave();
    });
    side->addWidget(save_);
    side->addStretch(1);
    layout->addLayout(side);
    resize(960, 560);
    clock_.start();
}

MeasurementsWindow::Chart MeasurementsWindow::makeChart(const QString& title) {
    Chart c;
    c.chart = new QChart;
    c.chart->setTitle(title);
    c.chart->setAnimationOptions(QChart::NoAnimation);
    c.chart->legend()->hide();
    c.chart->setMargins(QMargins(4, 4, 4, 4));
    // Square corners paint faster than the default rounded ones, five times a second.
    c.chart->setBackgroundRoundness(0);
    c.x = new QValueAxis;
    c.x->setTitleText(QStringLiteral("Monte Carlo time (sweeps)"));
    c.x->setTickType(QValueAxis::TicksDynamic);
    c.y = new QValueAxis;
    c.y->setTickType(QValueAxis::TicksDynamic);
    c.chart->addAxis(c.x, Qt::AlignBottom);
    c.chart->addAxis(c.y, Qt::AlignLeft);
    c.view = new QChartView(c.chart);
    c.view->setRenderHint(QPainter::Antialiasing, false);
    c.view->setMinimumSize(360, 180);
    return c;
}

void MeasurementsWindow::fitAxis(const Chart& c, QValueAxis* axis, double low, double high,
                                 bool exactly) {
    if (!(high > low)) high = low + std::max(std::abs(low) * 1e-6, 1e-9);
    const double span = high - low;
    // Every change of an axis redraws its chart in full, so the range stays as long as it holds
    // the data within twice its span.
    if (!exactly && axis->min() <= low && axis->max() >= high &&
        axis->max() - axis->min() <= 2 * span)
        return;
    // Room for the labels: Qt cuts a label that is wider than its share of the axis, and
    // rounds a value to the label's decimals, so steps are chosen that fit the room and that the
    // decimals tell apart.
    const bool horizontal = axis->orientation() == Qt::Horizontal;
    // A growing run's time axis reaches some way beyond its last point, so that it is not
    // redrawn at every plot.
    if (horizontal && !exactly) high += 0.5 * span;
    QRectF area = c.chart->plotArea();
    if (area.width() < 50 || area.height() < 50)
        area = QRectF(0, 0, c.view->width() - 80, c.view->height() - 70);
    const QFontMetrics metrics(axis->labelsFont());
    const double power = std::pow(10.0, std::floor(std::log10(span / 8.0)));
    double step = power, from = 0, to = 0;
    for (int i = 0;; ++i) {
        step = power * std::array<double, 3>{1, 2, 5}[i % 3] * std::pow(10.0, i / 3);
        from = std::floor(low / step + 1e-9) * step;
        to = std::max(std::ceil(high / step - 1e-9) * step, from + step);
        const int decimals = decimalsFor(step);
        const double ticks = std::round((to - from) / step) + 1;
        const double each = horizontal
                                ? std::max(metrics.horizontalAdvance(tickLabel(from, decimals)),
                                           metrics.horizontalAdvance(tickLabel(to, decimals))) +
                                      12
                                : 2.0 * metrics.height();
        const double room = horizontal ? area.width() : area.height();
        if ((ticks <= 7 && each * ticks <= room) || i > 60) break;
    }
    if (axis->min() == from && axis->max() == to && axis->tickInterval() == step) return;
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimalsFor(step)));
    axis->setTickAnchor(from);
    axis->setTickInterval(step);
    axis->setRange(from, to);
}

void MeasurementsWindow::setUpFor(const Model* model) {
    setUp_ = true;
    shownModel_ = model;
    upper_.chart->removeAllSeries();
    lower_.chart->removeAllSeries();
    energy_ = magnetization_ = nullptr;
    fractions_.fill(nullptr);
    const bool chain = model && model->chain;
    auto attach = [](Chart& c, QLineSeries* s) {
        c.chart->addSeries(s);
        s->attachAxis(c.x);
        s->attachAxis(c.y);
    };
    energy_ = new QLineSeries;
    attach(upper_, energy_);
    upper_.chart->setTitle(chain ? QStringLiteral("Energy per bond")
                                 : QStringLiteral("Energy per site"));
    // Energies in units of the coupling J, the unit Temp is read in (with k_B = 1).
    upper_.y->setTitleText(chain ? QStringLiteral("E per bond (J)")
                                 : QStringLiteral("E per site (J)"));
    if (chain) {
        lower_.chart->setTitle(QStringLiteral("Fraction of units in each state"));
        lower_.y->setTitleText(QStringLiteral("fraction of units"));
        for (int s = 0; s < 9; ++s) {
            auto* series = new QLineSeries;
            series->setName(QString::number(s + 1));
            series->setColor(QColor(static_cast<QRgb>(chainStateColour(s + 1))));
            attach(lower_, series);
            fractions_[static_cast<std::size_t>(s)] = series;
        }
        lower_.chart->legend()->setAlignment(Qt::AlignRight);
        lower_.chart->legend()->show();
        fitAxis(lower_, lower_.y, 0, 1, true);
    } else {
        lower_.chart->setTitle(QStringLiteral("Magnetisation per site"));
        lower_.y->setTitleText(QStringLiteral("M per site (spin units)"));
        magnetization_ = new QLineSeries;
        attach(lower_, magnetization_);
        lower_.chart->legend()->hide();
        fitAxis(lower_, lower_.y, -1, 1, true);
    }
    captions_.at("Energy")->setText(chain ? QStringLiteral("E per bond")
                                          : QStringLiteral("E per site"));
    captions_.at("Magnetisation")->setText(QStringLiteral("M per site"));
    captions_.at("Magnetisation")->setVisible(!chain);
    values_.at("Magnetisation")->setVisible(!chain);
    captions_.at("Fractions")->setVisible(chain);
    values_.at("Fractions")->setVisible(chain);
    plottedVersion_ = ~0ull;
}

void MeasurementsWindow::sync() {
    if (!isVisible() || isMinimized()) return;
    if (!setUp_ || shownModel_ != recorder_.model()) setUpFor(recorder_.model());
    const qint64 at = clock_.elapsed();
    const bool live = recorder_.live();
    if (!live || at - valuesAt_ >= kValuesPeriodMs) {
        valuesAt_ = at;
        showValues();
    }
    const std::uint64_t version = recorder_.store().version();
    const bool newRun = recorder_.serial() != plottedSerial_;
    if (newRun || (version != plottedVersion_ && (!live || at - plottedAt_ >= kPlotPeriodMs))) {
        plottedAt_ = at;
        plottedVersion_ = version;
        plottedSerial_ = recorder_.serial();
        plot();
    }
}

void MeasurementsWindow::plot() {
    const Model* model = recorder_.model();
    const auto& all = recorder_.store().rows();
    const double sites = std::max(recorder_.sites(), 1.0);
    const bool chain = model && model->chain;
    // Energy per bond for the chain: units 0..n have n bonds.
    const double perEnergy = chain ? std::max(sites - 1.0, 1.0) : sites;
    // Monte Carlo time is work per site: trials, or for cluster moves the sites they flipped.
    auto timeOf = [sites](const SeriesRow& row) { return double(row.work) / sites; };
    const double fraction = kParts[std::max(part_->currentIndex(), 0)].fraction;
    std::size_t begin = 0;
    if (fraction < 1.0 && all.size() > 1) {
        const double first = timeOf(all.front()), last = timeOf(all.back());
        const double from = last - fraction * (last - first);
        begin = static_cast<std::size_t>(
            std::lower_bound(all.begin(), all.end(), from,
                             [&](const SeriesRow& r, double t) { return timeOf(r) < t; }) -
            all.begin());
        begin = std::min(begin, all.size() - 1);
    }
    const std::size_t count = all.size() - begin;
    std::size_t stride = 1;
    while (count / stride > kPlotPoints)
        stride *= 2;
    QList<QPointF> energy, magnetization;
    std::array<QList<QPointF>, 9> fractions;
    // The ranges of what is shown: the y axes follow them when a recent part is shown.
    struct Range {
        double low = 0, high = 0;
        bool any = false;
        void add(double v) {
            low = any ? std::min(low, v) : v;
            high = any ? std::max(high, v) : v;
            any = true;
        }
    } energyRange, lowerRange;
    // Nine lines cost nine times one: the fractions take every other point.
    auto add = [&](const SeriesRow& row, bool withFractions) {
        const double x = timeOf(row);
        const double e = row.values.total() / perEnergy;
        energyRange.add(e);
        energy.append(QPointF(x, e));
        if (chain && withFractions) {
            for (std::size_t s = 0; s < 9; ++s) {
                const double f = double(row.values.counts[s]) / sites;
                lowerRange.add(f);
                fractions[s].append(QPointF(x, f));
            }
        } else if (!chain) {
            const double m = double(row.values.magnetization) / sites;
            lowerRange.add(m);
            magnetization.append(QPointF(x, m));
        }
    };
    for (std::size_t i = 0; i < count; i += stride)
        add(all[begin + i], i % (2 * stride) == 0 || i + stride >= count);
    // The plot always reaches the latest sample.
    if (count > 0 && (count - 1) % stride != 0) add(all.back(), true);

    energy_->replace(energy);
    if (magnetization_) magnetization_->replace(magnetization);
    for (std::size_t s = 0; s < 9; ++s) {
        if (fractions_[s]) fractions_[s]->replace(fractions[s]);
    }
    const double first = energy.isEmpty() ? 0.0 : energy.front().x();
    double last = energy.isEmpty() ? 1.0 : energy.back().x();
    if (last <= first) last = first + 1.0;
    const bool recent = fraction < 1.0;
    for (Chart* c : {&upper_, &lower_})
        fitAxis(*c, c->x, first, last, recent);
    fitAxis(upper_, upper_.y, energyRange.low,
            energyRange.high > energyRange.low ? energyRange.high : energyRange.low + 0.01, recent);
    if (recent && lowerRange.any) {
        fitAxis(lower_, lower_.y, lowerRange.low,
                lowerRange.high > lowerRange.low ? lowerRange.high : lowerRange.low + 0.01, true);
    } else {
        fitAxis(lower_, lower_.y, chain ? 0 : -1, 1, true);
    }
}

void MeasurementsWindow::showLast(double fraction) {
    for (std::size_t i = 0; i < std::size(kParts); ++i) {
        if (kParts[i].fraction == fraction) part_->setCurrentIndex(static_cast<int>(i));
    }
}

void MeasurementsWindow::setValue(const std::string& row, const QString& text) {
    QLabel* label = values_.at(row);
    if (label->text() != text) label->setText(text);
}

QString MeasurementsWindow::value(const std::string& row) const {
    auto it = values_.find(row);
    return it == values_.end() ? QString() : it->second->text();
}

int MeasurementsWindow::plottedPoints() const {
    return energy_ ? static_cast<int>(energy_->count()) : 0;
}

void MeasurementsWindow::showValues() {
    const Model* model = recorder_.model();
    const RunStack& runs = program_.runs();
    if (!model) {
        setValue("Simulation", simulationName(selectedMode(program_)));
        setValue("Model", modelText(program_, selectedMode(program_)));
        setValue("Run", QStringLiteral("none yet: press Start"));
        for (const char* row : {"Trials", "Sweeps", "Trials per second", "Acceptance", "Energy",
                                "Magnetisation", "Fractions", "Sampled", "Kept"})
            setValue(row, QStringLiteral("-"));
    } else {
        const int n = recorder_.size();
        const double sites = std::max(recorder_.sites(), 1.0);
        const QString sizeText =
            model->chain ? QStringLiteral("n = %1 (%2 units)").arg(whole(n)).arg(whole(n + 1))
                         : QStringLiteral("N = %1 (%2 sites)")
                               .arg(whole(n))
                               .arg(whole(static_cast<std::uint64_t>(sites)));
        setValue("Simulation", simulationName(model->kind) + ", " + sizeText);
        setValue("Model", modelText(program_, model->kind));
        QString state = QStringLiteral("ended");
        if (recorder_.live()) {
            state = QStringLiteral("under way");
        } else if (!runs.empty()) {
            state = QStringLiteral("interrupted: another run is under way");
        }
        setValue("Run", state);
        const std::uint64_t trials = recorder_.trials();
        setValue("Trials", whole(trials));
        // With cluster moves a sweep is a site's worth of flipped sites, as in spinlab-batch.
        setValue("Sweeps", QString::number(double(recorder_.work()) / sites, 'f', 2));

        // Rates over the last half second; none once the run stands still.
        const qint64 at = clock_.elapsed();
        const std::int64_t accepted = program_.IsingModel().state.drift.accepted;
        if (recorder_.serial() != rateSerial_ || trials < rateTrials_ || !recorder_.live()) {
            rateSerial_ = recorder_.serial();
            rateAt_ = at;
            rateTrials_ = trials;
            rateAccepted_ = accepted;
            trialsPerSecond_ = acceptance_ = QStringLiteral("-");
        } else if (at - rateAt_ >= 500) {
            const double moved = double(trials - rateTrials_);
            trialsPerSecond_ =
                whole(static_cast<std::uint64_t>(moved * 1000.0 / double(at - rateAt_)));
            acceptance_ = moved > 0
                              ? QString::number(double(accepted - rateAccepted_) / moved, 'f', 4)
                              : QStringLiteral("-");
            rateAt_ = at;
            rateTrials_ = trials;
            rateAccepted_ = accepted;
        }
        // A cluster move's accepted count is the sites it flipped.
        const bool cluster = !model->chain && program_.IsingModel().state.model.cluster;
        setValue("Trials per second", cluster && trialsPerSecond_ != "-"
                                          ? trialsPerSecond_ + " cluster moves"
                                          : trialsPerSecond_);
        setValue("Acceptance",
                 cluster && acceptance_ != "-"
                     ? whole(static_cast<std::uint64_t>(std::llround(acceptance_.toDouble()))) +
                           " sites flipped per move"
                     : acceptance_);

        const std::optional<Observables> o = recorder_.current();
        if (!o) {
            setValue("Energy", QStringLiteral("-"));
            setValue("Magnetisation", QStringLiteral("-"));
            setValue("Fractions", QStringLiteral("-"));
        } else if (model->chain) {
            setValue("Energy",
                     n > 0 ? QString::number(double(o->energy) / n, 'f', 5) : QStringLiteral("-"));
            QString f;
            for (std::size_t s = 0; s < 9; ++s) {
                f += QStringLiteral("%1: %2").arg(s + 1).arg(double(o->counts[s]) / sites, 0, 'f',
                                                             4);
                f += s % 3 == 2 ? (s < 8 ? "\n" : "") : "   ";
            }
            setValue("Fractions", f);
        } else {
            setValue("Energy", QString::number(o->total() / sites, 'f', 5));
            setValue("Magnetisation", QString::number(double(o->magnetization) / sites, 'f', 5));
        }
        const SeriesStore& store = recorder_.store();
        const std::uint64_t perSweep = static_cast<std::uint64_t>(sites);
        const std::uint64_t sweeps = perSweep ? store.every() / perSweep : 0;
        if (sweeps == 0) {
            // Cluster moves are sampled one by one, well under a sweep apart.
            setValue("Sampled", QStringLiteral("every %1 trials").arg(whole(store.every())));
        } else {
            setValue("Sampled", QStringLiteral("every %1 trials (%2 sweep%3)")
                                    .arg(whole(store.every()))
                                    .arg(whole(sweeps))
                                    .arg(sweeps == 1 ? "" : "s"));
        }
        QString kept = QStringLiteral("every %1 trials, %2 rows")
                           .arg(whole(store.interval()))
                           .arg(whole(store.rows().size()));
        if (recorder_.firstTrial() > 0)
            kept += QStringLiteral("\nfrom trial %1").arg(whole(recorder_.firstTrial()));
        setValue("Kept", kept);
    }
    try {
        setValue("Temperature", QString::number(program_.IsingModel().rule.temperature(), 'g', 8));
    } catch (const PlatformError& e) {
        setValue("Temperature", QString::fromStdString(describeError(program_, e)));
    }
}

void MeasurementsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    recorder_.attach();
    sync();
}

void MeasurementsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimising hides the window spontaneously: the series goes on. Closing ends the sampling.
    if (!event->spontaneous()) recorder_.detach();
}

}  // namespace spinlab
