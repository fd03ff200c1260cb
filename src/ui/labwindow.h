#pragma once
// The "Lab" window (Run > Lab..., Ctrl+K): a bench for teaching on the running simulation. A
// temperature slider with the critical temperature marked, Heat and Cool, schedules from T1 to
// T2 over K sweeps, a field slider, the start state, a speed in sweeps per second, drawing spins
// in the Large View, live averages with errors and a histogram of m, and the run state. It works
// through the main window's own inputs (Temp, the model), so the runs read them as always.

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

#include "app/lab.h"
#include "measure/labaverages.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QSpinBox;

namespace spinlab {

class MeasureTools;
class Program;

// The slider's scale under it: its ends and the critical temperature, marked and labelled.
class ScaleMarks : public QWidget {
public:
    ScaleMarks(QSlider& slider, QWidget* parent);
    void setScale(double low, double high, double critical);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSlider& slider_;
    double low_ = 0, high_ = 1, critical_ = 0;
};

// Bars of the histogram of m per site.
class Histogram : public QWidget {
public:
    explicit Histogram(QWidget* parent);
    void setCounts(const std::array<std::uint64_t, LabAverages::kHistogramBins>& counts);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<std::uint64_t, LabAverages::kHistogramBins> counts_{};
};

class LabWindow : public QWidget {
public:
    static constexpr int kSliderSteps = 1000;

    LabWindow(Program& program, MeasureTools& tools);
    ~LabWindow() override;

    // Follows the program: the schedule's next temperature, Temp into the slider, the model's
    // scale, the run state and (a few times a second) the averages. At every pump slice.
    void sync();
    // Recomputes the averages from the recorded series now.
    void refreshAverages();

    // What the controls do, for the keyboard and for tests alike.
    void setTemperature(double t);
    double sliderTemperature() const;
    void heat(int sign);
    // From T1 to T2 over `sweeps` sweeps (0: a quench) on the run under way.
    void runSchedule(double t1, double t2, double sweeps);
    void setField(double h);
    void averageFromNow();

    const TemperatureSchedule& schedule() const { return schedule_; }
    const LabAverages& averages() const { return averages_; }
    bool averaging() const { return averaging_; }
    // The first trial the averages take and the temperature they were taken at.
    std::uint64_t averagedFrom() const { return from_; }
    double averagedTemperature() const { return temperature_; }
    QSlider* temperatureSlider() const { return tempSlider_; }
    QSlider* fieldSlider() const { return fieldSlider_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    TemperatureScale scale() const;
    RunKind kindInView() const;
    void placeTemperatureSlider(double t);
    void placeFieldSlider();
    void installDrawing();
    void showAverages();
    void stopAveraging();
    bool averagesStale();

    Program& program_;
    MeasureTools& tools_;
    TemperatureSchedule schedule_;

    QLabel* state_ = nullptr;
    QSlider* tempSlider_ = nullptr;
    ScaleMarks* marks_ = nullptr;
    QLabel* tempValue_ = nullptr;
    QDoubleSpinBox* step_ = nullptr;
    QDoubleSpinBox* from_box_ = nullptr;
    QDoubleSpinBox* to_box_ = nullptr;
    QSpinBox* sweeps_ = nullptr;
    QLabel* scheduleState_ = nullptr;
    QSlider* fieldSlider_ = nullptr;
    QLabel* fieldValue_ = nullptr;
    QComboBox* start_ = nullptr;
    QComboBox* sweepSpeed_ = nullptr;
    QCheckBox* draw_ = nullptr;
    QSpinBox* brush_ = nullptr;
    QLabel* averagesText_ = nullptr;
    Histogram* histogram_ = nullptr;

    std::uint64_t tempVersion_ = 0;
    RunKind scaleKind_ = RunKind::Ant;
    ModelOptions scaleModel_;
    double shownField_ = 0;
    bool drawingInstalled_ = false;

    bool averaging_ = false;
    std::uint64_t from_ = 0;
    std::uint64_t serial_ = 0;
    double temperature_ = 0;
    ModelOptions model_;
    std::uint64_t storeVersion_ = 0;
    LabAverages averages_;
    QElapsedTimer averagesClock_;
};

// The Run menu's "Lab..." item and its window, built when first opened.
class LabTools {
public:
    LabTools(QMenu& runMenu, Program& program, MeasureTools& tools);
    ~LabTools();
    void show();
    void sync();
    void hide();
    LabWindow* window() const { return window_.get(); }
    QAction* action() const { return action_; }

private:
    Program& program_;
    MeasureTools& tools_;
    QAction* action_ = nullptr;
    std::unique_ptr<LabWindow> window_;
};

}  // namespace spinlab
