#pragma once

#include <atomic>
#include <cstdint>

namespace slabcal {

class Dialog;

// One exchange between a dialog's controls and its members, in one direction.
class DataExchange final {
public:
    DataExchange(Dialog& owner, bool save) : dialog(owner), saveAndValidate(save) {}

    // A combo box's selected index: read into `index` (-1 when nothing is selected), or shown from it.
    void ComboIndex(int id, std::atomic<int32_t>& index);

private:
    Dialog& dialog;
    bool saveAndValidate;
};

} // namespace slabcal
