#include "framework/ControlLookup.h"

#include <stdexcept>
#include <string>

namespace slabcal {

std::optional<std::size_t> FindControl(const DialogTemplate& shown, int id) {
    for (std::size_t at = 0; at < shown.controls.size(); ++at) {
        if (shown.controls[at].id == id)
            return at;
    }
    return std::nullopt;
}

std::size_t ControlIndex(const DialogTemplate& shown, int id) {
    if (auto at = FindControl(shown, id))
        return *at;
    throw std::out_of_range("no control with id " + std::to_string(id));
}

std::size_t ControlIndex(const DialogTemplate& shown, int id, ControlKind kind) {
    std::size_t at = ControlIndex(shown, id);
    if (shown.controls[at].kind != kind)
        throw std::invalid_argument("control " + std::to_string(id) +
                                    " is not of the kind this operation needs");
    return at;
}

} // namespace slabcal
