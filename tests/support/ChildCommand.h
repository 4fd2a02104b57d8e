#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace slabcal {

// The command line that starts a program of this build as a child process, for posix_spawnp/execvp. On a
// cross build the tests themselves run under an emulator (SLABCAL_TEST_EMULATOR, e.g. "qemu-aarch64 -L /"),
// and the child must too: the host cannot execute it directly.
inline std::vector<std::string> ChildCommand(const std::string& program,
                                             const std::vector<std::string>& arguments) {
    std::vector<std::string> command;
#ifdef SLABCAL_TEST_EMULATOR
    std::istringstream emulator(SLABCAL_TEST_EMULATOR);
    for (std::string word; emulator >> word;)
        command.push_back(word);
#endif
    command.push_back(program);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

// argv for the exec family: pointers into `strings`, ended by a null pointer.
inline std::vector<char*> ArgumentPointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace slabcal
