// slabcal: the subcommands run here and need no Qt; the window, its headless run and the certificate are
// the window plugin's, loaded only for them.
#include "app/PortOptions.h"
#include "app/Subcommands.h"
#include "app/WindowPlugin.h"

#include <iostream>
#include <unistd.h>

using namespace slabcal;

int main(int argc, char** argv) {
    const auto line = ReadCommandLine(argc, argv, std::cerr);
    if (!line)
        return exit_status::Refused;
    if (!line->help.empty()) {
        std::cout << line->help;
        return 0;
    }
    if (RunsWithoutWindow(line->subcommand))
        return RunSubcommand(*line, ::isatty(STDIN_FILENO) == 1, std::cin, std::cout, std::cerr);
    if (line->port.version && line->subcommand == Subcommand::None) {
        std::cout << "slabcal " << SLABCAL_VERSION << '\n';
        return 0;
    }
    return RunWindowPlugin(argc, argv, std::cerr);
}
