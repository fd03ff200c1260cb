#pragma once
// The "Measurements" window: live plots against Monte Carlo time (sweeps) of the run the
// recorder follows, and its current values beside them. The values follow the loops' running
// totals at every repaint (no recount per frame); the plots are redrawn when samples have come
// in, at most ten times a second. While the window is open the recorder samples; closing it
// stops the sampling and keeps the series.

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <string>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace spinlab {

class Program;
class Recorder;
struct Model;

class MeasurementsWindow : public QWidget {
public:
    MeasurementsWindow(Program& program, Recorder& recorder);

    // Brings the plots and values up to date; does nothing while hidden.
    void sync();

    // The value shown in a row of the panel ("Trials", "Sweeps", ...), for tests.
    QString value(const std::string& row) const;
    QPushButton* saveButton() const { return save_; }
    // Points plotted now in the upper and lower charts.
    int plottedPoints() const;
    // The plots' axes, for tests: 0 the upper chart, 1 the lower.
    QValueAxis* xAxis(int chart) const { return chart == 0 ? upper_.x : lower_.x; }
    QValueAxis* yAxis(int chart) const { return chart == 0 ? upper_.y : lower_.y; }
    // The part of the run the plots show: 1 the whole run, 0.5 its last half, 0.1 its last tenth.
    void showLast(double fraction);

    std::function<void()> onSave;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Chart {
        QChart* chart = nullptr;
        QChartView* view = nullptr;
        QValueAxis* x = nullptr;
        QValueAxis* y = nullptr;
    };
    Chart makeChart(const QString& title);
    // Ends and ticks at round steps that the axis has room to label in full.
    void fitAxis(const Chart& c, QValueAxis* axis, double low, double high, bool exactly = false);
    void setUpFor(const Model* model);
    void plot();
    void showValues();
    void setValue(const std::string& row, const QString& text);

    Program& program_;
    Recorder& recorder_;
    Chart upper_;
    Chart lower_;
    QLineSeries* energy_ = nullptr;
    QLineSeries* magnetization_ = nullptr;
    std::array<QLineSeries*, 9> fractions_{};
    std::map<std::string, QLabel*> values_;
    std::map<std::string, QLabel*> captions_;
    QPushButton* save_ = nullptr;
    QComboBox* part_ = nullptr;
    const Model* shownModel_ = nullptr;
    bool setUp_ = false;
    std::uint64_t plottedVersion_ = ~0ull;
    std::uint64_t plottedSerial_ = ~0ull;
    qint64 plottedAt_ = 0;
    qint64 valuesAt_ = -1'000'000;

    // Rates over the last half second or so.
    QElapsedTimer clock_;
    qint64 rateAt_ = 0;
    std::uint64_t rateTrials_ = 0;
    std::int64_t rateAccepted_ = 0;
    std::uint64_t rateSerial_ = 0;
    QString trialsPerSecond_;
    QString acceptance_;
};

}  // namespace spinlab
