#include "framework/DataExchange.h"

#include "framework/Dialog.h"

namespace slabcal {

void DataExchange::ComboIndex(int id, std::atomic<int32_t>& index) {
    if (saveAndValidate)
        index = dialog.Window().ComboGetCurSel(id);
    else
        dialog.Window().ComboSetCurSel(id, index);
}

} // namespace slabcal
