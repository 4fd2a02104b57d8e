#include <gtest/gtest.h>

#include <QApplication>
#include <QString>

namespace {

QtMessageHandler qtDefaultHandler = nullptr;

// The offscreen platform warns about every message box it cannot size natively; nothing else is hidden.
void QuietOffscreenNoise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    qtDefaultHandler(type, context, message);
}

} // namespace

// The Qt tests need one QApplication for the whole run; without a display they run offscreen.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    qtDefaultHandler = qInstallMessageHandler(QuietOffscreenNoise);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
