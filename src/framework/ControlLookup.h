#pragma once

#include "framework/DialogTemplate.h"

#include <cstddef>
#include <optional>

namespace slabcal {

// How both backends find a control of their window: by its place in the template's creation order, which
// is also the order of the controls they build. When several controls share an id (the labels), the first
// one answers to it.

// The place of control `id`, or nothing when the template has none.
[[nodiscard]] std::optional<std::size_t> FindControl(const DialogTemplate& shown, int id);

// The place of control `id` for an operation on it: std::out_of_range when the template has no such
// control.
[[nodiscard]] std::size_t ControlIndex(const DialogTemplate& shown, int id);

// The same for an operation only a control of `kind` has (the combo box and list view operations):
// std::invalid_argument when the control is of another kind, so a mixed-up id is never taken for another
// control's state.
[[nodiscard]] std::size_t ControlIndex(const DialogTemplate& shown, int id, ControlKind kind);

} // namespace slabcal
