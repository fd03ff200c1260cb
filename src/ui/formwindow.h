#pragma once
// One real window for one of the program's windows, built from its design table: every control
// placed at its twips position, bound both ways to the plain values of the Form. User input
// reaches the values at once; the program's changes reach the widgets when sync() runs (at every
// pump and after every handler).

#include <QMainWindow>
#include <cstdint>
#include <map>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QRadioButton;
class QPushButton;
class QScrollBar;
class QGroupBox;

namespace spinlab {

class Form;
class Program;
class PictureBox;

class FormWindow : public QMainWindow {
public:
    FormWindow(Form& form, Program& program, double twipsPerPixel);

    Form& form() { return form_; }
    // Pushes the program's changes out to the widgets and shows fresh drawing.
    void sync();

    // The widget that stands for a control of the design table (for tests).
    QWidget* widget(const std::string& name) const;
    QAction* menuAction(const std::string& name) const;
    PictureBox* picture(const std::string& name) const;
    // Characters of captions laid out to fit them into the window so far (for tests).
    std::uint64_t captionCharactersFitted() const { return fitted_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build(double twipsPerPixel);
    void buildMenu();
    QRect place(int left, int top, int width, int height) const;
    // One face for the window's captions and one that holds any count for its counter.
    void fitCaptions();
    // Shows a label's new caption, elided inside the window when it is too long.
    void showCaption(QLabel* label, const QString& text);
    // Pixels from the widget's left edge to the client area's right edge.
    int roomToTheRight(const QWidget* w) const;

    Form& form_;
    Program& program_;
    double twipsPerPixel_;
    QWidget* client_ = nullptr;
    QLabel* counter_ = nullptr;  // the step counter, if the window has one
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, PictureBox*> pictures_;
    bool firstShow_ = true;
    std::uint64_t fitted_ = 0;
};

}  // namespace spinlab
