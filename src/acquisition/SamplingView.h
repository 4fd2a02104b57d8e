#pragma once

#include <stop_token>
#include <string>

namespace slabcal {

// What the sampling worker's thread shows, and all it may do to the dialog: every call is made on the
// worker thread and hands its change to the UI thread. Everything else on the dialog (the toggle's caption,
// the field's text in manual mode) is the dialog's own. The worker holds its view by shared_ptr, so a view
// must stay usable (and harmless) after the dialog behind it is gone.
class SamplingView {
public:
    virtual ~SamplingView() = default;

    // Hands the signal field's new text to the UI thread and waits until the UI thread has taken it.
    // Returns at once, dropping the update, when `stop` is requested.
    virtual void ShowSignalFromWorker(const std::string& text, std::stop_token stop) = 0;
    // Shows "量程转化错误" on the UI thread and waits until the operator dismisses it. The box is closed and
    // the wait abandoned when `stop` is requested.
    virtual void ShowRangeErrorFromWorker(std::stop_token stop) = 0;
    // The converter stopped answering and the worker has ended: the last signal must not stay on show as
    // if it were live. `why` is the driver's own word on it (StreamDriver::LastProblem), empty when it
    // cannot say. Returns at once when `stop` is requested.
    virtual void ShowConverterLostFromWorker(const std::string& why, std::stop_token stop) = 0;
};

} // namespace slabcal
