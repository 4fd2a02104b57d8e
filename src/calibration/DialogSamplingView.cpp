#include "calibration/DialogSamplingView.h"

#include "framework/Dialog.h"
#include "resources/ControlIds.h"
#include "texts/Texts.h"

namespace slabcal {

DialogSamplingView::DialogSamplingView(Dialog& owner, std::string caption)
    : dialog(owner), messageCaption(std::move(caption)) {}

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
}

void DialogSamplingView::ShowRangeErrorFromWorker(std::stop_token stop) {
    if (auto target = Bridge())
        target->ShowMessageBox(std::string(texts::RangeSwitchError), messageCaption, MessageBoxButtons::Ok,
                               std::move(stop));
}

void DialogSamplingView::SetToggleCaption(const std::string& caption) {
    dialog.SetItemText(ids::ToggleButton, caption);
}

void DialogSamplingView::SetSignalText(const std::string& text) {
    dialog.SetItemText(ids::SignalField, text);
}

void DialogSamplingView::ClearStatusLine() {
    dialog.SetItemText(ids::StatusLine, "");
}

} // namespace slabcal
