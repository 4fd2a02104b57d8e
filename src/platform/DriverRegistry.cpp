#include "platform/DriverRegistry.h"

namespace slabcal {

void DriverRegistry::Bind(std::string_view deviceName, std::shared_ptr<StreamDriver> driver,
                          std::string description) {
    std::lock_guard guard(lock);
    bound[std::string(deviceName)] = {std::move(driver), std::move(description)};
}

void DriverRegistry::Unbind(std::string_view deviceName) {
    std::lock_guard guard(lock);
    if (const auto found = bound.find(deviceName); found != bound.end())
        bound.erase(found);
}

std::string DriverRegistry::Description(std::string_view deviceName) {
    std::lock_guard guard(lock);
    const auto found = bound.find(deviceName);
    return found == bound.end() ? std::string() : found->second.description;
}

std::string DriverRegistry::LastProblem(std::string_view deviceName) {
    std::shared_ptr<StreamDriver> driver;
    {
        std::lock_guard guard(lock);
        const auto found = bound.find(deviceName);
        if (found == bound.end() || !found->second.driver)
            return {};
        driver = found->second.driver;
    }
    return driver->LastProblem();
}

StreamHandle DriverRegistry::Open(std::string_view deviceName) {
    std::shared_ptr<StreamDriver> driver;
    {
        std::lock_guard guard(lock);
        auto found = bound.find(deviceName);
        if (found == bound.end() || !found->second.driver)
            return InvalidStreamHandle;
        driver = found->second.driver;
    }
    if (!driver->Open())
        return InvalidStreamHandle;
    std::lock_guard guard(lock);
    StreamHandle handle = nextHandle++;
    open[handle] = std::move(driver);
    return handle;
}

std::shared_ptr<StreamDriver> DriverRegistry::DriverOf(StreamHandle handle) {
    std::lock_guard guard(lock);
    auto found = open.find(handle);
    return found == open.end() ? nullptr : found->second;
}

int DriverRegistry::IoControl(StreamHandle handle, uint32_t code, uint8_t* output, uint32_t outputLength,
                              uint32_t* bytesReturned) {
    // The driver stays alive for the call even if another thread closes the handle meanwhile.
    auto driver = DriverOf(handle);
    return driver ? driver->IoControl(code, output, outputLength, bytesReturned) : 0;
}

bool DriverRegistry::Close(StreamHandle handle) {
    std::shared_ptr<StreamDriver> driver;
    {
        std::lock_guard guard(lock);
        auto found = open.find(handle);
        if (found == open.end())
            return false;
        driver = std::move(found->second);
        open.erase(found);
    }
    driver->Close();
    return true;
}

DriverRegistry& Drivers() {
    static DriverRegistry registry;
    return registry;
}

} // namespace slabcal
