#include "FuzzDevice.h"

#include "Require.h"
#include "storage/DevicePaths.h"

namespace slabcal {

FuzzDevice::FuzzDevice(std::string_view parameterFileBytes)
    : files("/device", host), hostPath(files.HostPath(ParameterFilePath).value_or(std::string())) {
    host.Put(hostPath, parameterFileBytes);
}

std::string FuzzDevice::ParameterFileBytes() const {
    const auto bytes = host.Bytes(hostPath);
    Require(bytes.has_value(), "the parameter file exists after a save");
    return bytes.value_or(std::string());
}

} // namespace slabcal
