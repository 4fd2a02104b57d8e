#include "calibration/DialogSamplingView.h"

#include "resources/ControlIds.h"
#include "texts/Texts.h"

#include <charconv>

namespace slabcal {

DialogSamplingView::DialogSamplingView(std::string caption, std::shared_ptr<LiveSignal> signal)
    : messageCaption(std::move(caption)), live(std::move(signal)) {}

void DialogSamplingView::Attach(std::shared_ptr<UiBridge> uiBridge) {
    std::lock_guard guard(bridgeLock);
    bridge = std::move(uiBridge);
}

std::shared_ptr<UiBridge> DialogSamplingView::Bridge() {
    std::lock_guard guard(bridgeLock);
    return bridge;
}

void DialogSamplingView::ShowSignalFromWorker(const std::string& text, std::stop_token stop) {
    if (auto target = Bridge())
        target->SetText(ids::SignalField, text, std::move(stop));
    // Once the field shows it: a face that hears of a value finds it there. The text is the worker's own
    // decimal of the averaged value.
    if (std::uint32_t value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc())
        live->Publish(value);
}

void DialogSamplingView::ShowRangeErrorFromWorker(std::stop_token stop) {
    if (auto target = Bridge())
        target->ShowMessageBox(std::string(texts::RangeSwitchError), messageCaption, MessageBoxButtons::Ok,
                               std::move(stop));
}

void DialogSamplingView::ShowConverterLostFromWorker(const std::string& why, std::stop_token stop) {
    live->Lost();
    if (auto target = Bridge()) {
        target->SetText(ids::SignalField, "", stop);
        std::string status(texts::ConverterLost);
        if (!why.empty())
            status += ": " + why;
        target->SetText(ids::StatusLine, status, std::move(stop));
    }
}

} // namespace slabcal
