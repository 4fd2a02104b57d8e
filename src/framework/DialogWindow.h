#pragma once

#include "framework/DialogTemplate.h"
#include "framework/MessageBoxTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace slabcal {

enum class IconSize { Large, Small };

// The window a backend builds from a dialog template, with the control operations an MFC-style dialog
// needs. Every operation runs on the UI thread except Post.
//
// Every backend answers every operation alike, as the Qt window does (tests/framework/DialogWindowContract.h
// runs the same cases on each):
// - A control is found by id as ControlIndex finds it (the first one when ids are shared). An id no
//   control has throws std::out_of_range; a combo box or list view operation on a control of another kind
//   throws std::invalid_argument and changes nothing.
// - Texts are UTF-8. Labels, edits and buttons hold their text; a combo box's text is its selected item
//   ("" with none); a list view has no text (""). Setting the text of either of those two does nothing.
// - Focus goes only to an enabled control that is not hidden: SetFocus on another does nothing, and
//   disabling the focused control moves the focus on to the next enabled, visible tab stop in template
//   order, wrapping, or to none.
// - No operation here notifies the dialog. Only the operator does, and only through an enabled, visible
//   control that takes the input: a button's click (Clicked), an item chosen in a combo box
//   (SelectionChanged), text typed into an edit (nothing). Esc or the close box send IdCancel.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    [[nodiscard]] virtual std::string GetText(int id) const = 0;
    virtual void SetText(int id, std::string_view text) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(int id) const = 0;
    virtual void SetFocus(int id) = 0;
    virtual void SetIcon(IconSize size, const IconResource& icon) = 0;

    // Combo box. Indices as the window system gives them: -1 for "none".
    // Appends and returns the item's index. The selection stays as it was: a new box selects nothing
    // until told to, so the dialog never reads a choice nobody made.
    virtual int ComboAddString(int id, std::string_view text) = 0;
    virtual int ComboSetCurSel(int id, int index) = 0; // -1 when the index is out of range (nothing selected)
    [[nodiscard]] virtual int ComboGetCurSel(int id) const = 0;

    // List view in report style. A cell is a row of the list and a sub-item of one of its columns; sub-item
    // 0, the item itself, exists without columns too. Cells keep their sub-item index: inserting a column
    // moves headers, not cells. Indices past the end are clamped on insertion.
    [[nodiscard]] virtual uint32_t ListGetExtendedStyle(int id) const = 0;
    virtual void ListSetExtendedStyle(int id, uint32_t exStyle) = 0;
    virtual int ListInsertColumn(int id, int index, std::string_view header, int widthPixels) = 0; // centred
    virtual int ListInsertItem(int id, int row, std::string_view text) = 0;
    virtual bool ListSetItemText(int id, int row, int subItem, std::string_view text) = 0; // false: no cell
    [[nodiscard]] virtual std::string ListGetItemText(int id, int row, int subItem) const = 0; // "": no cell

    // A message box owned by the dialog, modal, blocking until answered.
    virtual int MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons) = 0;
    // The same box without blocking the UI thread. It stays open until the operator answers it; then
    // `answered` runs once, on the UI thread, never within this call. Returns what closes it unanswered
    // (UI thread): `answered` then never runs. After an answer, or once the window is gone, the closer does
    // nothing.
    virtual std::function<void()> OpenMessageBox(std::string_view text, std::string_view caption,
                                                 MessageBoxButtons buttons,
                                                 std::function<void(int answer)> answered) = 0;

    // Runs the modal loop until End; returns the code given to End. The first End counts; an End before the
    // run makes it return at once.
    virtual int RunModal() = 0;
    virtual void End(int result) = 0;

    // Any thread: runs `task` on the UI thread soon. Tasks posted after the window is gone are dropped.
    virtual void Post(std::function<void()> task) = 0;
};

} // namespace slabcal
