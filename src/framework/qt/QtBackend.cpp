#include "framework/qt/QtBackend.h"

#include "framework/qt/QtDialogWindow.h"
#include "framework/qt/QtMessageBox.h"

#include <QApplication>
#include <QThread>

#include <iostream>
#include <stdexcept>

namespace slabcal {

QtBackend::QtBackend() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::logic_error("the Qt backend needs a QApplication");
}

std::unique_ptr<DialogWindow> QtBackend::CreateDialogWindow(Dialog& dialog) {
    auto window = std::make_unique<QtDialogWindow>(dialog);
    if (dialogHost)
        dialogHost(*window);
    return window;
}

void QtBackend::ShowApplicationMessage(std::string_view caption, std::string_view text) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        std::cerr << caption << ": " << text << '\n';
        return;
    }
    QtMessageBox box(nullptr, text, caption, MessageBoxButtons::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

int QtBackend::AskApplicationQuestion(std::string_view caption, std::string_view text) {
    QtMessageBox box(nullptr, text, caption, MessageBoxButtons::YesNo);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return box.Answer();
}

} // namespace slabcal
