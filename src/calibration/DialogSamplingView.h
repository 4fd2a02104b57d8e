#pragma once

#include "acquisition/SamplingView.h"
#include "framework/UiBridge.h"
#include "worksheet/LiveSignal.h"

#include <memory>
#include <mutex>
#include <string>

namespace slabcal {

// The sampling worker's view of the calibration dialog: it reaches the dialog only through the UI bridge.
// The worker co-owns it, so it may outlive the dialog; its calls then go through a closed bridge and
// return at once.
class DialogSamplingView final : public SamplingView {
public:
    // Every signal the worker shows is also published to `live`, for the faces that watch the calibration.
    DialogSamplingView(std::string messageCaption, std::shared_ptr<LiveSignal> live);

    // UI thread, once the dialog's window exists and before the worker starts.
    void Attach(std::shared_ptr<UiBridge> bridge);

    void ShowSignalFromWorker(const std::string& text, std::stop_token stop) override;
    void ShowRangeErrorFromWorker(std::stop_token stop) override;
    // The status line says "AD 转换器无响应", followed by the driver's reason when it gives one.
    void ShowConverterLostFromWorker(const std::string& why, std::stop_token stop) override;

private:
    std::shared_ptr<UiBridge> Bridge();

    const std::string messageCaption;
    const std::shared_ptr<LiveSignal> live;
    std::mutex bridgeLock;
    std::shared_ptr<UiBridge> bridge;
};

} // namespace slabcal
