#pragma once

#include <span>

namespace slabcal {

enum class Notification { Clicked, SelectionChanged };

// One row of a dialog's fixed binding table: a control's notification bound to a member operation.
// A null handler binds the notification to nothing, as a table may say explicitly.
template <class DialogType> struct CommandBinding {
    int id;
    Notification notification;
    void (DialogType::*handler)();
};

// Runs the first binding that matches; true when one matched.
template <class DialogType>
bool DispatchCommand(std::span<const CommandBinding<DialogType>> table, DialogType& dialog, int id,
                     Notification notification) {
    for (const auto& binding : table) {
        if (binding.id == id && binding.notification == notification) {
            if (binding.handler != nullptr)
                (dialog.*binding.handler)();
            return true;
        }
    }
    return false;
}

} // namespace slabcal
