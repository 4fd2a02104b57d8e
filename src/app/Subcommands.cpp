#include "app/Subcommands.h"

#include "app/ConverterProbe.h"
#include "app/DeviceRoot.h"
#include "platform/DeviceFileSystem.h"

namespace slabcal {

bool RunsWithoutWindow(Subcommand subcommand) {
    return subcommand != Subcommand::None && subcommand != Subcommand::Certificate;
}

int RunSubcommand(const CommandLine& line, bool interactive, std::istream& in, std::ostream& out,
                  std::ostream& err) {
    if (line.subcommand == Subcommand::Probe)
        return RunProbe(line.port, line.probe, out, err);
    DeviceFileSystem files(line.port.root);
    if (line.subcommand != Subcommand::History)
        if (const auto error = PrepareDeviceRoot(files)) {
            err << "slabcal: " << *error << '\n';
            return exit_status::Refused;
        }
    switch (line.subcommand) {
    case Subcommand::History:
        return RunHistory(files, out, err);
    case Subcommand::Restore: {
        RestoreOptions options = line.restore;
        options.interactive = interactive;
        return RunRestore(options, files, in, out, err);
    }
    case Subcommand::Fit:
        return RunFit(line.fit, files, out, err);
    case Subcommand::Probe:
    case Subcommand::Certificate: // drawn with Qt: main runs it
    case Subcommand::None:
        break;
    }
    return exit_status::Refused;
}

} // namespace slabcal
