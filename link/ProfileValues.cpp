#include "link/ProfileValues.h"

#include "data/CProfileFile.h"
#include "data/ValueText.h"
#include "link/CDeviceLink.h"

namespace {

EProfileKind KindOf(EBoardArray array) {
    switch (array) {
        case EBoardArray::OverFreq:
            return EProfileKind::Frequency;
        case EBoardArray::OverRatio:
            return EProfileKind::Ratio;
        default:
            return EProfileKind::Voltage;
    }
}

}  // namespace

std::optional<std::u16string> ProfileTextOf(EBoardArray array, const BoardItem& item) {
    if (!HasKnownValue(item)) {
        return std::nullopt;
    }
    return FormatProfileValue(KindOf(array), WToL(item.Mul), WToL(item.Value), WToL(item.Div));
}

std::u16string ProfileShownText(EBoardArray array, std::u16string_view stored) {
    return ProfileDisplayText(KindOf(array), stored);
}

std::optional<std::u16string> ProfileRawValue(const BoardItem& item, std::u16string_view stored) {
    if (!StartsWithNumber(stored) || !HasKnownRange(item)) {
        return std::nullopt;
    }
    return ShownTextToRaw(stored, item.Mul, item.Div, WToL(item.Min), WToL(item.Max));
}

int StoreProfile(CProfileFile& file, int nProfile, const CDeviceLink& link) {
    int nStored = 0;
    for (EBoardArray array : kProfileArrays) {
        for (const BoardItem& item : link.GetArray(array)) {
            if (const std::optional<std::u16string> text = ProfileTextOf(array, item)) {
                file.SetValue(nProfile, item.Name, *text);
                ++nStored;
            }
        }
    }
    file.SetVersion(link.GetBoardVersion());
    return nStored;
}

std::map<EBoardArray, BoardItemArray> LoadProfile(const CProfileFile& file, int nProfile,
                                                  const CDeviceLink& link) {
    std::map<EBoardArray, BoardItemArray> arrays;
    for (EBoardArray array : kProfileArrays) {
        BoardItemArray items = link.GetArray(array);
        for (BoardItem& item : items) {
            const std::optional<std::u16string> stored = file.GetValue(nProfile, item.Name);
            const std::optional<std::u16string> raw =
                stored ? ProfileRawValue(item, *stored) : std::nullopt;
            if (!raw) {
                continue;
            }
            if (*raw != item.Value || !HasKnownValue(item)) {
                item.PrevValue = item.Value;
                item.Value = *raw;
                item.bUserSet = true;
            }
        }
        arrays[array] = std::move(items);
    }
    return arrays;
}
