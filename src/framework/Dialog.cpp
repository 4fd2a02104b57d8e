#include "framework/Dialog.h"

#include <stdexcept>

namespace slabcal {

Dialog::Dialog(const DialogTemplate& shownTemplate) : dialogTemplate(shownTemplate) {}

Dialog::~Dialog() {
    DestroyWindow();
}

int Dialog::DoModal(DialogBackend& backend) {
    DialogWindow& created = Create(backend);
    int result = created.RunModal();
    OnEndModal();
    DestroyWindow();
    return result;
}

DialogWindow& Dialog::Create(DialogBackend& backend) {
    if (shownWindow)
        throw std::logic_error("dialog window created twice");
    shownWindow = backend.CreateDialogWindow(*this);
    bridge = UiBridge::Create(*shownWindow);
    // The standard initialisation shows the members in the still empty controls first.
    UpdateData(false);
    if (OnInitDialog()) {
        for (const auto& control : dialogTemplate.controls) {
            if (control.visible && (control.styles & style::TabStop) != 0) {
                shownWindow->SetFocus(control.id);
                break;
            }
        }
    }
    return *shownWindow;
}

void Dialog::DestroyWindow() {
    if (!shownWindow)
        return;
    bridge->Close();
    shownWindow.reset();
}

DialogWindow& Dialog::Window() const {
    if (!shownWindow)
        throw std::logic_error("dialog has no window");
    return *shownWindow;
}

void Dialog::HandleCommand(int id, Notification notification) {
    // An exception let into the toolkit's event loop would end the process and take the operator's
    // recorded points with it; a failed command is reported once and the dialog goes on.
    try {
        if (OnCommand(id, notification) || notification != Notification::Clicked)
            return;
        if (id == IdOk)
            OnOK();
        else if (id == IdCancel)
            OnCancel();
    } catch (const std::exception& error) {
        ReportCommandFailure(id, error.what());
    } catch (...) {
        ReportCommandFailure(id, "unknown error");
    }
}

void Dialog::ReportCommandFailure(int id, std::string_view reason) noexcept {
    try {
        OnCommandFailed(id, reason);
    } catch (...) { // nothing is left to report with
    }
}

void Dialog::OnCommandFailed(int, std::string_view reason) {
    MessageBox(reason, {}, MessageBoxButtons::Ok);
}

std::string Dialog::GetItemText(int id) const {
    return Window().GetText(id);
}
void Dialog::SetItemText(int id, std::string_view text) {
    Window().SetText(id, text);
}
void Dialog::EnableItem(int id, bool enabled) {
    Window().Enable(id, enabled);
}
void Dialog::FocusItem(int id) {
    Window().SetFocus(id);
}

int Dialog::MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons) {
    return Window().MessageBox(text, caption, buttons);
}

void Dialog::EndDialog(int result) {
    Window().End(result);
}

void Dialog::UpdateData(bool saveAndValidate) {
    DataExchange exchange(*this, saveAndValidate);
    DoDataExchange(exchange);
}

void Dialog::OnOK() {
    UpdateData(true);
    EndDialog(IdOk);
}

void Dialog::OnCancel() {
    EndDialog(IdCancel);
}

} // namespace slabcal
