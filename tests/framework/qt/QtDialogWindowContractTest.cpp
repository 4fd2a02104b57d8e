#include "QtTestSupport.h"
#include "framework/DialogWindowContract.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"

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

private:
    static QtDialogWindow& Qt(DialogWindow& window) { return static_cast<QtDialogWindow&>(window); }
    QtBackend backend;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, DialogWindowContract, QtDriver);

} // namespace
} // namespace slabcal::contract
