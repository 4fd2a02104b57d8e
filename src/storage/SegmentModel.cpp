#include "storage/SegmentModel.h"

namespace slabcal {

SegmentModel& ProcessSegmentModel() {
    static SegmentModel model;
    return model;
}

} // namespace slabcal
