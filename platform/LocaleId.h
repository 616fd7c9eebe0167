#pragma once

#include <cstdint>
#include <string_view>

inline constexpr uint32_t kLcidTraditionalChinese = 1028;  // zh_TW
inline constexpr uint32_t kLcidEnglishUs = 1033;
inline constexpr uint32_t kLcidSimplifiedChinese = 2052;  // zh_CN
inline constexpr uint32_t kLcidHongKongChinese = 3076;    // zh_HK

// Whether a locale id's texts are in one of the two Chinese languages.
inline constexpr bool IsChineseLcid(uint32_t nLcid) {
    return nLcid == kLcidSimplifiedChinese || nLcid == kLcidTraditionalChinese;
}

// The locale id of a POSIX locale name such as "zh_TW.UTF-8".
uint32_t LcidFromLocaleName(std::string_view name);

// The locale id from LC_ALL, LC_MESSAGES or LANG, the first that is set.
uint32_t GetSystemDefaultLCID();
