#include "ui/formwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/forms.h"
#include "core/program.h"
#include "ui/picturebox.h"

namespace spinlab {

namespace {

QString qstr(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// The design's widths suit a narrower face than most desktops have. A caption that does not fit
// first takes a slightly smaller face (down to 6.5 points), so the layout stays as designed;
// only then does it grow to the right rather than being cut off.
void fitWidth(QWidget* w) {
    QFont f = w->font();
    while (w->sizeHint().width() > w->width() && f.pointSizeF() > 6.5) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        w->setFont(f);
    }
    const int need = w->sizeHint().width();
    if (need > w->width()) w->resize(need, w->height());
}

}  // namespace

FormWindow::FormWindow(Form& form, Program& program, double twipsPerPixel)
    : QMainWindow(nullptr), form_(form), program_(program), twipsPerPixel_(twipsPerPixel) {
    setObjectName(qstr(form.design().name));
    setWindowTitle(qstr(form.design().caption));
    // The design's captions were laid out for an 8-point face; larger ones would be clipped.
    QFont small = font();
    small.setPointSizeF(8.0);
    setFont(small);
    build(twipsPerPixel);
    if (!form.design().menu.empty()) buildMenu();
    const QSize client(static_cast<int>(std::lround(form.design().clientWidth / twipsPerPixel)),
                       static_cast<int>(std::lround(form.design().clientHeight / twipsPerPixel)));
    client_->setFixedSize(client);
    adjustSize();
    if (form.design().fixedBorder) setFixedSize(sizeHint());
}

QRect FormWindow::place(int left, int top, int width, int height) const {
    auto px = [this](int twips) { return static_cast<int>(std::lround(twips / twipsPerPixel_)); };
    return QRect(px(left), px(top), px(width), px(height));
}

void FormWindow::build(double) {
    client_ = new QWidget(this);
    client_->setObjectName("client");
    setCentralWidget(client_);

    std::vector<std::pair<int, QWidget*>> tabOrder;
    std::vector<QWidget*> raised;
    for (const ControlDesign& design : form_.design().controls) {
        const std::string name(design.name);
        QWidget* parent = client_;
        if (!design.container.empty()) parent = pictures_.at(std::string(design.container));
        QWidget* w = nullptr;
        switch (design.kind) {
            case ControlKind::PictureBox: {
                auto* box = new PictureBox(*form_.surface(name), parent);
                pictures_[name] = box;
                w = box;
                break;
            }
            case ControlKind::Label:
                w = new QLabel(qstr(design.caption), parent);
                static_cast<QLabel*>(w)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                // A caption may be typed text (Label3 mirrors Iterations): never markup.
                static_cast<QLabel*>(w)->setTextFormat(Qt::PlainText);
                break;
            case ControlKind::Frame:
                w = new QGroupBox(qstr(design.caption), parent);
                break;
            case ControlKind::TextBox: {
                auto* edit = new QLineEdit(qstr(design.caption), parent);
                auto* box = static_cast<TextBox*>(form_.control(name));
                connect(edit, &QLineEdit::textChanged, this, [this, box](const QString& text) {
                    program_.handle([&] { box->setText(text.toStdString()); });
                });
                w = edit;
                break;
            }
            case ControlKind::OptionButton: {
                auto* radio = new QRadioButton(qstr(design.caption), parent);
                auto* option = static_cast<OptionButton*>(form_.control(name));
                radio->setChecked(option->Value());
                connect(radio, &QRadioButton::toggled, this,
                        [option](bool on) { option->setValue(on); });
                raised.push_back(radio);
                w = radio;
                break;
            }
            case ControlKind::CommandButton: {
                auto* button = new QPushButton(qstr(design.caption), parent);
                auto* command = static_cast<Command*>(form_.control(name));
                connect(button, &QPushButton::clicked, this, [command] { command->click(); });
                w = button;
                break;
            }
            case ControlKind::HScrollBar: {
                auto* bar = new QScrollBar(Qt::Horizontal, parent);
                auto* scroll = static_cast<ScrollBar*>(form_.control(name));
                bar->setRange(scroll->Min(), scroll->Max());
                bar->setSingleStep(1);
                bar->setPageStep(1);
                bar->setValue(scroll->Value());
                connect(bar, &QScrollBar::valueChanged, this,
                        [scroll](int v) { scroll->setValue(v); });
                w = bar;
                break;
            }
        }
        w->setObjectName(qstr(design.name));
        w->setGeometry(place(design.left, design.top, design.width, design.height));
        if (design.kind == ControlKind::Label || design.kind == ControlKind::OptionButton)
            fitWidth(w);
        widgets_[name] = w;
        if (w->focusPolicy() != Qt::NoFocus) tabOrder.emplace_back(design.tabIndex, w);
    }
    for (QWidget* w : raised)
        w->raise();
    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    }
}

void FormWindow::buildMenu() {
    QMenu* menu = menuBar()->addMenu(qstr(form_.design().menuCaption));
    for (const MenuItemDesign& item : form_.design().menu) {
        const std::string name(item.name);
        auto* command = static_cast<Command*>(form_.control(name));
        QAction* action = menu->addAction(qstr(item.caption));
        action->setObjectName(qstr(item.name));
        if (!item.shortcut.empty()) {
            action->setShortcut(QKeySequence(qstr(item.shortcut)));
        } else {
            action->setCheckable(true);
            action->setChecked(command->Checked());
        }
        connect(action, &QAction::triggered, this, [action, command] {
            // The handler decides the check mark, not the click.
            if (action->isCheckable()) action->setChecked(command->Checked());
            command->click();
        });
        actions_[name] = action;
    }
}

void FormWindow::sync() {
    for (Control* control : form_.controls()) {
        if (!control->takeChanged()) continue;
        const std::string& name = control->name();
        if (auto* command = dynamic_cast<Command*>(control)) {
            if (auto it = actions_.find(name); it != actions_.end() && it->second->isCheckable()) {
                it->second->setChecked(command->Checked());
            }
            continue;
        }
        QWidget* w = widgets_.at(name);
        if (auto* label = dynamic_cast<Label*>(control)) {
            const QString text = QString::fromStdString(label->Caption());
            if (auto* l = qobject_cast<QLabel*>(w); l && l->text() != text) {
                l->setText(text);
                fitWidth(l);
            }
            if (auto* g = qobject_cast<QGroupBox*>(w); g && g->title() != text) g->setTitle(text);
        } else if (auto* box = dynamic_cast<TextBox*>(control)) {
            auto* edit = static_cast<QLineEdit*>(w);
            const QString text = QString::fromStdString(box->Text());
            if (edit->text() != text) {
                const QSignalBlocker blocker(edit);
                edit->setText(text);
            }
            edit->setEnabled(box->Enabled());
            edit->setReadOnly(box->Locked());
        } else if (auto* option = dynamic_cast<OptionButton*>(control)) {
            const QSignalBlocker blocker(w);
            static_cast<QRadioButton*>(w)->setChecked(option->Value());
        } else if (auto* scroll = dynamic_cast<ScrollBar*>(control)) {
            const QSignalBlocker blocker(w);
            static_cast<QScrollBar*>(w)->setValue(scroll->Value());
        }
    }
    for (auto& [name, box] : pictures_) {
        if (box->surface().takeDirty()) box->update();
    }
    if (form_.window.takeChanged()) {
        if (form_.window.Visible() && !isVisible()) {
            if (firstShow_ && form_.design().centred) {
                if (QScreen* screen = QGuiApplication::primaryScreen()) {
                    QRect frame(QPoint(0, 0), sizeHint());
                    frame.moveCenter(screen->availableGeometry().center());
                    move(frame.topLeft());
                }
            }
            firstShow_ = false;
            show();
        } else if (form_.window.Visible()) {
            if (isMinimized()) showNormal();
            raise();
            activateWindow();
        } else if (isVisible()) {
            hide();
        }
    }
}

QWidget* FormWindow::widget(const std::string& name) const {
    auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
}

QAction* FormWindow::menuAction(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

PictureBox* FormWindow::picture(const std::string& name) const {
    auto it = pictures_.find(name);
    return it == pictures_.end() ? nullptr : it->second;
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (dynamic_cast<MainForm*>(&form_) != nullptr) {
        // Closing the main window ends the program, like Quit.
        program_.handle([&] { program_.End(); });
        event->accept();
        return;
    }
    // The other windows only hide: their pictures and counters stay, and a running loop goes
    // on drawing into them.
    form_.window.Hide();
    form_.window.takeChanged();
    event->accept();
}

}  // namespace spinlab
