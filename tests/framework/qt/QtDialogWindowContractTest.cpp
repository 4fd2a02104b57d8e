#include "QtTestSupport.h"
#include "framework/DialogWindowContract.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"
#include "framework/qt/Utf8.h"

#include <QAbstractButton>
#include <QTest>

namespace slabcal::contract {
namespace {

// The Qt window as the contract suite drives it: on screen (offscreen), worked with real mouse and key
// events, the test's thread running the event loop.
class QtDriver {
public:
    DialogBackend& Get() { return backend; }
    void Show(DialogWindow& window) {
        QDialog& frame = Qt(window).Frame();
        frame.show();
        frame.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame));
    }
    void Click(DialogWindow& window, int id) { QTest::mouseClick(Qt(window).Control(id), Qt::LeftButton); }
    void ChooseNext(DialogWindow& window, int id) { QTest::keyClick(Qt(window).Control(id), Qt::Key_Down); }
    void Type(DialogWindow& window, int id, std::string_view text) {
        QWidget* control = Qt(window).Control(id);
        QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(control, FromUtf8(text));
    }
    int FocusedId(DialogWindow& window) {
        QWidget* focused = Qt(window).Frame().focusWidget();
        const auto widgets = Qt(window).Controls();
        for (std::size_t at = 0; at < widgets.size(); ++at) {
            if (focused != nullptr && widgets[at] == focused)
                return ContractTemplate().controls[at].id;
        }
        return 0;
    }
    int OpenBoxes(DialogWindow&) {
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            open += qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible() ? 1 : 0;
        return open;
    }
    void Answer(DialogWindow&, int answer) {
        QMessageBox* box = test::VisibleMessageBox();
        ASSERT_NE(box, nullptr);
        QAbstractButton* button = box->button(answer == IdYes  ? QMessageBox::Yes
                                              : answer == IdNo ? QMessageBox::No
                                                               : QMessageBox::Ok);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    bool ServeUntil(DialogWindow&, const std::function<bool()>& done) {
        return test::ProcessEventsUntil(done);
    }

private:
    static QtDialogWindow& Qt(DialogWindow& window) { return static_cast<QtDialogWindow&>(window); }
    QtBackend backend;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, DialogWindowContract, QtDriver);

} // namespace
} // namespace slabcal::contract
