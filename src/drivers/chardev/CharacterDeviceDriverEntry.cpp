#include "drivers/chardev/CharacterDeviceDriverEntry.h"

#include "drivers/chardev/CharacterDeviceConverter.h"

namespace slabcal {
namespace {

// Any absolute path: the node is checked when the converter is opened.
std::optional<std::string> Accept(std::string_view given) {
    if (given.starts_with("/") && given.size() > 1)
        return std::string(given);
    return std::nullopt;
}

MadeDriver Make(const DriverRequest& request) {
    return {MakeCharacterDeviceConverter(request.argument), {}, request.argument};
}

} // namespace

constinit const DriverEntry CharacterDeviceDriverEntry{
    .name = "chardev",
    .form = "/dev/NODE",
    .description = "a character device whose driver implements <slabcal/spa1.h>",
    .accept = Accept,
    .make = Make};

} // namespace slabcal
