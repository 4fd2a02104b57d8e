#pragma once

#include <cstdint>
#include <string>

namespace slabcal {

// The operations of one stream driver, as the board's kernel offered them: opened by device name with
// exclusive access, driven by I/O control codes, closed. The simulated gauge and the scripted drivers of
// the tests fill the same table, so nothing above this seam can tell them from hardware.
class StreamDriver {
public:
    virtual ~StreamDriver() = default;

    // Exclusive open: false while another handle holds the driver, or when the device is absent.
    [[nodiscard]] virtual bool Open() = 0;

    // One I/O control call. The result is the driver's BOOL: 0 is failure, anything else the driver's own
    // success value (callers that test for "exactly TRUE" see a 2 as failure).
    virtual int IoControl(uint32_t code, uint8_t* output, uint32_t outputLength, uint32_t* bytesReturned) = 0;

    // Returns at once, also while a call is under way on another thread (a driver call can hang in the
    // kernel for good); whatever that call holds is released when it returns.
    virtual void Close() = 0;

    // Why the driver's last call failed, for the engineer beside the operator ("…/in_voltage0_raw: open:
    // No such file or directory"); empty when it did not, or when the driver cannot say. Returns at once.
    [[nodiscard]] virtual std::string LastProblem() const { return {}; }
};

} // namespace slabcal
