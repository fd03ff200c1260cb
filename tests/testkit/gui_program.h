#pragma once
// The whole program on the Qt backend (offscreen in tests): real windows, real widgets, the
// time-sliced pump and the clock-seeded generator, exactly as the spinlab executable builds it.

#include <QAction>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "core/program.h"
#include "core/rng.h"
#include "ui/formwindow.h"
#include "ui/picturebox.h"
#include "ui/qtapp.h"
#include "ui/qtbackend.h"

namespace spinlab::testing {

// True when the widget shows exactly its surface's raster.
bool showsRaster(PictureBox* box);

struct GuiProgram : QtApp {
    GuiProgram();
    ~GuiProgram();

    MainForm& main() { return program.IsingModel(); }
    FormWindow& window(Form& form) { return *backend.windowFor(form); }
    FormWindow& mainWindow() { return window(main()); }
    // A widget of a window by its design name; fails the test when missing.
    template <class W>
    W* widget(Form& form, const std::string& name) {
        return qobject_cast<W*>(window(form).widget(name));
    }
};

// Runs each action in a later slice of the pump than the one before: while a run is held the
// pump slices once per hold, so each action after Pause meets the run held again after the
// last one let it go. Each action waits on a timer of its own, since one may press Start and
// stay inside the nested run for the rest.
class InTurn {
public:
    InTurn(GuiProgram& gui, std::vector<std::function<void()>> actions)
        : gui_(gui), actions_(std::move(actions)) {
        arm(0, ~std::uint64_t{0});
    }
    bool done() const { return next_ == actions_.size(); }

private:
    void arm(std::size_t i, std::uint64_t after) {
        if (i == actions_.size()) return;
        auto timer = std::make_unique<QTimer>();
        QTimer* t = timer.get();
        timers_.push_back(std::move(timer));
        QObject::connect(t, &QTimer::timeout, [this, t, i, after] {
            if (gui_.pump.slices() == after) return;
            t->stop();
            next_ = i + 1;
            arm(i + 1, gui_.pump.slices());
            actions_[i]();
        });
        t->start(1);
    }

    GuiProgram& gui_;
    std::vector<std::function<void()>> actions_;
    std::vector<std::unique_ptr<QTimer>> timers_;
    std::size_t next_ = 0;
};

}  // namespace spinlab::testing
