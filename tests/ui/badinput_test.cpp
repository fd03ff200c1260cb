// Texts that cannot run, typed into the real boxes: Start shows a message that names the box and
// the text as typed, the pictures and counters stay as the last run left them, and once the box
// is mended Start runs again.

#include <gtest/gtest.h>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <ostream>

#include "testkit/gui_program.h"
#include "ui/picturebox.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

// Short ASCII texts are typed key by key; others arrive as an input method commits them (the
// way non-Latin text is typed), which is also how a paste of ten thousand characters lands.
void type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    bool ascii = text.size() <= 100;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 128;
    if (ascii) {
        QTest::keyClicks(edit, text);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(edit, &commit);
    }
}

// True when a label in this format shows the text character for character, markup included.
bool showsLiterally(Qt::TextFormat format, const QString& text) {
    return format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text));
}

struct BoxRow {
    const char* box;
    bool chain;  // in the polymer window, read by the chain; else in the main window
};

void PrintTo(const BoxRow& row, std::ostream* out) {
    *out << row.box;
}

class GuiBadInput : public ::testing::TestWithParam<BoxRow> {};

TEST_P(GuiBadInput, IsReportedAsTypedAndTheScreenIsKept) {
    const BoxRow row = GetParam();
    GuiProgram gui;
    auto* start = gui.widget<QPushButton>(gui.main(), "Command1");
    auto* stop = gui.widget<QPushButton>(gui.main(), "Command2");
    if (row.chain) gui.mainWindow().menuAction("PolymerChain")->trigger();
    Form& form = row.chain ? static_cast<Form&>(gui.program.PolymerWindow()) : gui.main();
    auto* edit = gui.widget<QLineEdit>(form, row.box);
    PictureBox* picture = gui.window(form).picture("Picture1");
    auto* counter = gui.widget<QLabel>(gui.main(), "Label1");
    QLabel* axis = row.chain ? gui.widget<QLabel>(form, "Label3") : nullptr;

    QTimer::singleShot(100, [&] { stop->click(); });
    QTest::mouseClick(start, Qt::LeftButton);
    QCoreApplication::processEvents();
    const QImage before = picture->shown();
    const QString count = counter->text();
    const QString good = edit->text();
    ASSERT_GT(count.toLongLong(), 0);

    const QString texts[] = {"abc", "32768", QString(10000, '9'), QString::fromUtf8("６０"),
                             "<b>12</b>"};
    int errors = 0;
    for (const QString& text : texts) {
        SCOPED_TRACE(text.left(20).toStdString());
        type(edit, text);
        ASSERT_EQ(edit->text(), text);
        QTest::mouseClick(start, Qt::LeftButton);
        ASSERT_EQ(gui.backend.errorCount(), ++errors);
        QMessageBox* box = gui.backend.messageBox();
        ASSERT_TRUE(box != nullptr && box->isVisible());
        const QString message = box->text();
        const QString name =
            QString::fromStdString(static_cast<TextBox*>(form.control(row.box))->inputName());
        EXPECT_TRUE(message.startsWith(name + " \"" + text.left(40))) << message.toStdString();
        // Shown as typed: markup in the text is not taken for formatting.
        EXPECT_TRUE(showsLiterally(box->textFormat(), message));
        if (axis) {
            // Mirrored whole, or elided inside the window with the whole text as its tip.
            const bool elided = !axis->toolTip().isEmpty();
            EXPECT_EQ(elided ? axis->toolTip() : axis->text(), text);
            if (elided) {
                EXPECT_TRUE(axis->text().endsWith(QChar(0x2026)));
            }
            EXPECT_LE(axis->geometry().right(), axis->parentWidget()->width() - 1);
            EXPECT_TRUE(showsLiterally(axis->textFormat(), text));
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(picture->shown(), before);
        EXPECT_EQ(counter->text(), count);
    }

    type(edit, good);
    QTimer::singleShot(50, [&] { stop->click(); });
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_EQ(gui.backend.errorCount(), errors);
    EXPECT_NE(counter->text(), count);
}

INSTANTIATE_TEST_SUITE_P(EveryBox, GuiBadInput,
                         ::testing::Values(BoxRow{"GridSize", false}, BoxRow{"Temp", false},
                                           BoxRow{"Iterations", true}),
                         [](const ::testing::TestParamInfo<BoxRow>& info) {
                             return std::string(info.param.box);
                         });

// The message stands beside the windows, so the boxes it names stay in view while it is read.
TEST(GuiBadInputMessage, LeavesTheBoxesItNamesInView) {
    GuiProgram gui;
    FormWindow& main = gui.mainWindow();
    auto* start = gui.widget<QPushButton>(gui.main(), "Command1");
    for (const char* box : {"GridSize", "Temp"}) {
        SCOPED_TRACE(box);
        main.move(40, 40);
        QCoreApplication::processEvents();
        auto* edit = gui.widget<QLineEdit>(gui.main(), box);
        const QString good = edit->text();
        type(edit, "5000x");
        QTest::mouseClick(start, Qt::LeftButton);
        QMessageBox* message = gui.backend.messageBox();
        ASSERT_TRUE(message != nullptr && message->isVisible());
        QCoreApplication::processEvents();
        const QRect shown = message->frameGeometry();
        EXPECT_FALSE(shown.intersects(main.frameGeometry())) << box;
        for (const char* input : {"GridSize", "Temp"}) {
            QWidget* w = gui.widget<QWidget>(gui.main(), input);
            EXPECT_FALSE(shown.intersects(QRect(w->mapToGlobal(QPoint(0, 0)), w->size()))) << input;
        }
        message->hide();
        type(edit, good);
    }
}

}  // namespace
}  // namespace spinlab
