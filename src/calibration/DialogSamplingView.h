#pragma once

#include "acquisition/SamplingView.h"
#include "framework/UiBridge.h"

#include <memory>
#include <mutex>
#include <string>

namespace slabcal {

class Dialog;

// The sampling worker's view of the calibration dialog. The worker co-owns it, so it may outlive the
// dialog: the worker's calls then go through a closed bridge and return at once, and the UI-thread calls
// are never made again because only the dialog makes them.
class DialogSamplingView final : public SamplingView {
public:
    DialogSamplingView(Dialog& dialog, std::string messageCaption);

    // UI thread, once the dialog's window exists and before the worker starts.
    void Attach(std::shared_ptr<UiBridge> bridge);

    void ShowSignalFromWorker(const std::string& text, std::stop_token stop) override;
    void ShowRangeErrorFromWorker(std::stop_token stop) override;
    void SetToggleCaption(const std::string& caption) override;
    void SetSignalText(const std::string& text) override;
    void ClearStatusLine() override;

private:
    std::shared_ptr<UiBridge> Bridge();

    Dialog& dialog;
    const std::string messageCaption;
    std::mutex bridgeLock;
    std::shared_ptr<UiBridge> bridge;
};

} // namespace slabcal
