// The window plugin's entry, which the program calls for everything that needs Qt.
#include "app/PortOptions.h"
#include "app/WindowPlugin.h"
#include "app/qt/RunWindow.h"
#include "certificate/CertificateCommand.h"
#include "platform/DeviceFileSystem.h"

#include <QApplication>

#include <iostream>

extern "C" int SlabcalWindowMain(int argc, char** argv) {
    using namespace slabcal;
    const auto line = ReadCommandLine(argc, argv, std::cerr);
    if (!line)
        return exit_status::Refused;
    if (line->subcommand == Subcommand::Certificate) {
        // Qt's PDF writer needs an application, never a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const QApplication certificateApplication(argc, argv);
        return RunCertificate(line->certificate.record, line->certificate.output,
                              DeviceFileSystem(line->port.root), std::cout, std::cerr);
    }
    return RunWindow(*line, argc, argv);
}
