#include "link/Recording.h"

#include "data/Utf.h"
#include "link/ItemText.h"

bool WasReadNow(const BoardItem& item) {
    return item.bValueRead && item.nMissedReads == 0;
}

std::vector<RecordedValue> RecordedValuesOf(EBoardArray array, const BoardItemArray& items,
                                            LogClock::time_point time) {
    std::vector<RecordedValue> values;
    for (const BoardItem& item : items) {
        if (WasReadNow(item)) {
            values.push_back({time, ToUtf8(item.Name), ToUtf8(SectionName(array)),
                              ShownText(array, item), PlainUnit(array), IsAlarm(array, item)});
        }
    }
    return values;
}
