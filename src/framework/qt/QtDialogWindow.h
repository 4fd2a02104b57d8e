#pragma once

#include "framework/DialogWindow.h"
#include "framework/qt/DialogUnits.h"
#include "framework/qt/QtDialogFrame.h"

#include <QPixmap>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace slabcal {

class Dialog;

// A dialog window made of Qt widgets, laid out from the dialog's template in the template's font (or a
// Chinese fallback) with dialog units converted through that font, so it keeps the template's proportions.
// Controls notify the dialog: a button click as Clicked, a height chosen by the operator as
// SelectionChanged; Esc and the close box as the Cancel command, Ctrl+Return as the OK command.
class QtDialogWindow final : public DialogWindow {
public:
    explicit QtDialogWindow(Dialog& dialog);
    ~QtDialogWindow() override;
    QtDialogWindow(const QtDialogWindow&) = delete;
    QtDialogWindow& operator=(const QtDialogWindow&) = delete;

    [[nodiscard]] std::string GetText(int id) const override;
    void SetText(int id, std::string_view text) override;
    void Enable(int id, bool enabled) override;
    [[nodiscard]] bool IsEnabled(int id) const override;
    void SetFocus(int id) override;
    void SetIcon(IconSize size, const IconResource& icon) override;
    int ComboAddString(int id, std::string_view text) override;
    int ComboSetCurSel(int id, int index) override;
    [[nodiscard]] int ComboGetCurSel(int id) const override;
    [[nodiscard]] uint32_t ListGetExtendedStyle(int id) const override;
    void ListSetExtendedStyle(int id, uint32_t exStyle) override;
    int ListInsertColumn(int id, int index, std::string_view header, int widthPixels) override;
    int ListInsertItem(int id, int row, std::string_view text) override;
    bool ListSetItemText(int id, int row, int subItem, std::string_view text) override;
    [[nodiscard]] std::string ListGetItemText(int id, int row, int subItem) const override;
    int MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons) override;
    std::function<void()> OpenMessageBox(std::string_view text, std::string_view caption,
                                         MessageBoxButtons buttons,
                                         std::function<void(int)> answered) override;
    int RunModal() override;
    void End(int result) override;
    // Thread-safe: queued onto the UI thread through the window, so tasks still queued when the window is
    // destroyed are dropped. The caller must not race the destruction itself (UiBridge closes first).
    void Post(std::function<void()> task) override;

    // The widgets, for tests and screenshots.
    [[nodiscard]] QDialog& Frame() const { return *frame; }
    // The first control with `id`, or null.
    [[nodiscard]] QWidget* Control(int id) const;
    // Every control in template order (the two labels share one id).
    [[nodiscard]] std::vector<QWidget*> Controls() const;
    [[nodiscard]] const DialogUnits& Units() const { return units; }

private:
    struct Column {
        QString header;
        int width = 0;
    };
    // One per template control, in template order; id and kind come from the template.
    struct ControlEntry {
        QWidget* widget = nullptr; // owned by the frame
        uint32_t exStyle = 0;      // list view
        std::vector<Column> columns;
    };

    void CreateControls();
    [[nodiscard]] ControlEntry& Find(int id);
    [[nodiscard]] const ControlEntry& Find(int id) const;
    [[nodiscard]] ControlEntry& Find(int id, ControlKind kind);
    [[nodiscard]] const ControlEntry& Find(int id, ControlKind kind) const;
    void ApplyColumns(const ControlEntry& list) const;
    void ApplyIcon();

    Dialog& dialog;
    std::unique_ptr<QtDialogFrame> frame;
    DialogUnits units;
    std::vector<ControlEntry> controls;
    QPixmap largeIcon;
    QPixmap smallIcon;
    std::optional<int> endResult;
};

} // namespace slabcal
