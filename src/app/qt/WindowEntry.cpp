// The window plugin's entry, which the program calls for everything that needs Qt.
#include "app/PortOptions.h"
#include "app/WindowPlugin.h"
#include "app/qt/QtStartProblem.h"
#include "app/qt/RunWindow.h"
#include "certificate/CertificateCommand.h"
#include "framework/Application.h"
#include "framework/qt/QtPlatformStart.h"
#include "platform/DeviceFileSystem.h"

#include <QApplication>

#include <iostream>

extern "C" int SlabcalWindowMain(int argc, char** argv) {
    using namespace slabcal;
    const auto line = ReadCommandLine(argc, argv, std::cerr);
    if (!line)
        return exit_status::Refused;
    if (line->subcommand == Subcommand::Certificate) {
        // Qt's PDF writer needs an application, never a display: the offscreen platform whatever Qt's
        // options on the command line ask for (they are not passed on), and a start that fails anyway is
        // one line and status 2, as for the window.
        const std::string name = ProgramNameFromPath(argv[0]);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgumentCount = 1;
        if (const auto problem = QtStartProblem(qtArgumentCount, argv)) {
            std::cerr << name << ": " << *problem << '\n';
            return exit_status::Refused;
        }
        const auto certificateApplication = StartQtApplication(qtArgumentCount, argv, name);
        return RunCertificate(line->certificate.record, line->certificate.output,
                              DeviceFileSystem(line->port.root), std::cout, std::cerr);
    }
    return RunWindow(*line, argc, argv);
}
