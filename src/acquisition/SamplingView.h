#pragma once

#include <stop_token>
#include <string>

namespace slabcal {

// What the sampling worker shows: the dialog's signal field (1001), its toggle button (1008) and status
// line (1005). The worker holds its view by shared_ptr, so a view must stay usable (and harmless) after the
// dialog behind it is gone.
class SamplingView {
public:
    virtual ~SamplingView() = default;

    // Worker thread: hands the signal field's new text to the UI thread and waits until the UI thread has
    // taken it. Returns at once, dropping the update, when `stop` is requested.
    virtual void ShowSignalFromWorker(const std::string& text, std::stop_token stop) = 0;
    // Worker thread: shows "量程转化错误" on the UI thread and waits until the operator dismisses it. The box
    // is closed and the wait abandoned when `stop` is requested.
    virtual void ShowRangeErrorFromWorker(std::stop_token stop) = 0;

    // UI thread only.
    virtual void SetToggleCaption(const std::string& caption) = 0;
    virtual void SetSignalText(const std::string& text) = 0;
    virtual void ClearStatusLine() = 0;
};

} // namespace slabcal
