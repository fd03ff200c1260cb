// A long text typed into a box costs each keystroke the same work as a short one: the boxes'
// readings parse only when a value is read, and a caption that mirrors a box is fitted from
// what the window can show, not from the whole text.

#include <gtest/gtest.h>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include "core/runtime.h"
#include "testkit/gui_program.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

// Characters parsed and laid out, all windows together.
std::uint64_t work(GuiProgram& gui) {
    std::uint64_t fitted = 0;
    gui.program.forEachForm(
        [&](Form& form) { fitted += gui.window(form).captionCharactersFitted(); });
    return parseWork().characters + fitted;
}

// The work of ten keystrokes typed after the box holds `length` characters.
std::uint64_t tenKeystrokes(GuiProgram& gui, QLineEdit* edit, int length) {
    edit->selectAll();
    QInputMethodEvent paste;  // a paste lands as one commit
    paste.setCommitString(QString(length, '7'));
    QCoreApplication::sendEvent(edit, &paste);
    const std::uint64_t before = work(gui);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(edit, '7');
    EXPECT_EQ(edit->text().size(), length + 10);
    return work(gui) - before;
}

TEST(GuiLongText, AKeystrokeCostsTheSameWhateverTheTextsLength) {
    GuiProgram gui;
    for (const char* name : {"GridSize", "Temp", "Iterations"}) {
        SCOPED_TRACE(name);
        const bool chain = std::string(name) == "Iterations";
        // The chain's window holds its box; choosing it disables Lattice Size.
        if (chain) gui.mainWindow().menuAction("PolymerChain")->trigger();
        Form& form = chain ? static_cast<Form&>(gui.program.PolymerWindow())
                           : static_cast<Form&>(gui.main());
        auto* edit = gui.widget<QLineEdit>(form, name);
        const QString good = edit->text();
        const std::uint64_t shortText = tenKeystrokes(gui, edit, 100);
        const std::uint64_t longText = tenKeystrokes(gui, edit, 10000);
        EXPECT_EQ(longText, shortText);
        edit->setText(good);
    }
}

}  // namespace
}  // namespace spinlab
