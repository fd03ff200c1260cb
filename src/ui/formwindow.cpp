#include "ui/formwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/forms.h"
#include "core/layout.h"
#include "core/program.h"
#include "core/runtime.h"
#include "ui/picturebox.h"
#include "ui/qtbackend.h"

namespace spinlab {

namespace {

QString qstr(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// The design's widths suit a narrower face than most desktops have: a window's captions share
// the largest face from 8 points down to 6.5 at which each fits its design width, so the layout
// stays as designed; a caption that does not fit even then grows to the right.
constexpr double kLargestPoints = 8.0;
constexpr double kSmallestPoints = 6.5;
// A counter keeps one face from its first count to its 10^12th.
constexpr std::int64_t kLargestCount = 1'000'000'000'000;
constexpr double kSmallestCounterPoints = 5.0;

// The keys of a desktop scroll bar: the arrows step by SmallChange, Page Up and Page Down by
// LargeChange, Home and End go to Min and Max.
class KeyScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        SliderAction action = SliderNoAction;
        switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Up:
                action = SliderSingleStepSub;
                break;
            case Qt::Key_Right:
            case Qt::Key_Down:
                action = SliderSingleStepAdd;
                break;
            case Qt::Key_PageUp:
                action = SliderPageStepSub;
                break;
            case Qt::Key_PageDown:
                action = SliderPageStepAdd;
                break;
            case Qt::Key_Home:
                action = SliderToMinimum;
                break;
            case Qt::Key_End:
                action = SliderToMaximum;
                break;
            default:
                QScrollBar::keyPressEvent(event);
                return;
        }
        triggerAction(action);
        event->accept();
    }

    // The style marks no focus on a scroll bar; a keyboard user needs to see where keys go.
    void paintEvent(QPaintEvent* event) override {
        QScrollBar::paintEvent(event);
        if (!hasFocus()) return;
        QStyleOptionSlider slider;
        initStyleOption(&slider);
        const QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &slider,
                                                    QStyle::SC_ScrollBarSlider, this);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawRect(thumb.adjusted(1, 1, -2, -2));
    }
};

}  // namespace

FormWindow::FormWindow(Form& form, Program& program, double twipsPerPixel)
    : QMainWindow(nullptr), form_(form), program_(program), twipsPerPixel_(twipsPerPixel) {
    setObjectName(qstr(form.design().name));
    setWindowTitle(qstr(form.design().caption));
    // The menu bar keeps the face the design's captions were laid out for.
    QFont small = font();
    small.setPointSizeF(kLargestPoints);
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
                auto* bar = new KeyScrollBar(Qt::Horizontal, parent);
                bar->setFocusPolicy(Qt::StrongFocus);
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
        QRect rect = place(design.left, design.top, design.width, design.height);
        if (auto* box = dynamic_cast<PictureBox*>(parent)) {
            // A picture's children live in its drawable interior, inside its border.
            const QRect interior = box->contentsRect();
            rect = rect.translated(interior.topLeft()).intersected(interior);
        }
        w->setGeometry(rect);
        widgets_[name] = w;
        if (w->focusPolicy() != Qt::NoFocus) tabOrder.emplace_back(design.tabIndex, w);
    }
    for (QWidget* w : raised)
        w->raise();
    fitCaptions();
    if (dynamic_cast<PolymerForm*>(&form_) != nullptr) {
        // The state marks stand centred on the rows of the plot they name.
        for (const char* mark : {"Label6", "Label7"})
            static_cast<QLabel*>(widgets_.at(mark))->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    }
}

int FormWindow::roomToTheRight(const QWidget* w) const {
    return twipsToPixels(form_.design().clientWidth, twipsPerPixel_) - w->x();
}

void FormWindow::fitCaptions() {
    const Form::Counter counter = form_.counter();
    std::vector<QWidget*> captions;
    for (const ControlDesign& design : form_.design().controls) {
        if (design.kind != ControlKind::Label && design.kind != ControlKind::OptionButton) continue;
        QWidget* w = widgets_.at(std::string(design.name));
        if (counter.label != nullptr && counter.label->name() == design.name) {
            counter_ = static_cast<QLabel*>(w);
        } else {
            captions.push_back(w);
        }
    }
    QFont face = client_->font();
    for (double points = kLargestPoints;; points -= 0.5) {
        face.setPointSizeF(points);
        client_->setFont(face);
        const bool fit = std::all_of(captions.begin(), captions.end(), [](const QWidget* w) {
            return w->sizeHint().width() <= w->width();
        });
        if (fit || points <= kSmallestPoints) break;
    }
    for (QWidget* w : captions) {
        if (w->sizeHint().width() > w->width()) w->resize(w->sizeHint().width(), w->height());
    }
    if (counter_ == nullptr) return;
    // The counter may use the room up to the window's right edge, where nothing else stands.
    const QString widest =
        counter.grouped ? qstr(FormatThousands(kLargestCount)) : QString::number(kLargestCount);
    const int room = std::max(roomToTheRight(counter_), counter_->width());
    QFont counterFace = face;
    while (QFontMetrics(counterFace).horizontalAdvance(widest) > room &&
           counterFace.pointSizeF() > kSmallestCounterPoints) {
        counterFace.setPointSizeF(counterFace.pointSizeF() - 0.5);
    }
    counter_->setFont(counterFace);
    counter_->resize(room, counter_->height());
}

void FormWindow::showCaption(QLabel* label, const QString& text) {
    if (label == counter_) {
        label->setText(text);
        return;
    }
    // A caption the user typed (Label3 mirrors Iterations) may take the room up to the window's
    // edge; beyond it the text is elided, and the whole of it shown as a tip.
    const ControlDesign& design = form_.design().control(label->objectName().toStdString());
    const int designWidth = place(0, 0, design.width, design.height).width();
    const int room = std::max(roomToTheRight(label), designWidth);
    // Every visible character takes a pixel at least, so no more than `room` of them can show:
    // only those are laid out, and a keystroke in a text of any length costs the same.
    const bool cut = text.size() > room;
    const QString shown = cut ? text.left(room) : text;
    label->setText(shown);
    const int need = label->sizeHint().width();
    fitted_ += static_cast<std::uint64_t>(shown.size());
    if (!cut && need <= room) {
        label->resize(std::max(need, designWidth), label->height());
        label->setToolTip(QString());
        return;
    }
    label->resize(room, label->height());
    fitted_ += static_cast<std::uint64_t>(shown.size());
    QString elided = label->fontMetrics().elidedText(shown, Qt::ElideRight, room);
    if (elided == shown) elided = shown.chopped(1) + QChar(0x2026);  // fits only once cut
    label->setText(elided);
    label->setToolTip(text);
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
            if (auto* l = qobject_cast<QLabel*>(w); l && l->text() != text) showCaption(l, text);
            if (auto* g = qobject_cast<QGroupBox*>(w); g && g->title() != text) g->setTitle(text);
        } else if (auto* box = dynamic_cast<TextBox*>(control)) {
            auto* edit = static_cast<QLineEdit*>(w);
            const QString text = QString::fromStdString(box->Text());
            if (edit->text() != text) {
                const QSignalBlocker blocker(edit);
                edit->setText(text);
            }
            edit->setEnabled(box->Enabled());
            if (edit->isReadOnly() != box->Locked()) {
                edit->setReadOnly(box->Locked());
                // Read-only text sits on the window's face, as the desktop shows it, and stays
                // in the text colour.
                QPalette palette;
                if (box->Locked()) {
                    palette = edit->palette();
                    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
                }
                edit->setPalette(palette);
            }
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
            // The view windows open beside the main window, not over its Start and Stop.
            if (firstShow_ && form_.design().centred) placeBesideMain(*this);
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
