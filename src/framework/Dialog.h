#pragma once

#include "framework/CommandBinding.h"
#include "framework/DataExchange.h"
#include "framework/DialogBackend.h"
#include "framework/DialogTemplate.h"
#include "framework/UiBridge.h"

#include <memory>
#include <string>
#include <string_view>

namespace slabcal {

// A dialog built from a template, with the control operations, binding table, data exchange and message
// boxes of an MFC-style dialog, independent of the toolkit that shows it.
class Dialog {
public:
    explicit Dialog(const DialogTemplate& shownTemplate);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Builds the window, initialises the dialog, runs it modally and destroys the window again; returns
    // the code the dialog was ended with.
    int DoModal(DialogBackend& backend);
    // The same in two halves, for callers that drive the dialog themselves (tests, scripted runs).
    DialogWindow& Create(DialogBackend& backend);
    void DestroyWindow();

    [[nodiscard]] const DialogTemplate& Template() const { return dialogTemplate; }
    [[nodiscard]] bool HasWindow() const { return shownWindow != nullptr; }

    // Called by the backend when a control notifies; IdOk and IdCancel are the standard commands.
    void HandleCommand(int id, Notification notification);

    // Control operations, UI thread.
    [[nodiscard]] std::string GetItemText(int id) const;
    void SetItemText(int id, std::string_view text);
    void EnableItem(int id, bool enabled);
    void FocusItem(int id);
    [[nodiscard]] DialogWindow& Window() const;

    int MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons);
    void EndDialog(int result);
    // Data exchange: true reads the controls into the members, false shows the members in the controls.
    void UpdateData(bool saveAndValidate);

    // For other threads; valid while the window exists and harmless after.
    [[nodiscard]] std::shared_ptr<UiBridge> Bridge() const { return bridge; }

protected:
    // Called once the window exists; true gives the focus to the first control that takes it.
    virtual bool OnInitDialog() { return true; }
    virtual void DoDataExchange(DataExchange&) {}
    // The dialog's binding table; false when nothing is bound to the notification.
    virtual bool OnCommand(int, Notification) { return false; }
    virtual void OnOK();
    virtual void OnCancel();
    // Called after the modal run ends, while the window still exists.
    virtual void OnEndModal() {}
    // Called when command `id` threw: show one message. The default shows the exception's text.
    virtual void OnCommandFailed(int id, std::string_view reason);

private:
    void ReportCommandFailure(int id, std::string_view reason) noexcept;

    const DialogTemplate& dialogTemplate;
    std::unique_ptr<DialogWindow> shownWindow;
    std::shared_ptr<UiBridge> bridge;
};

} // namespace slabcal
