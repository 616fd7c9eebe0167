#include "shell/MenuResources.h"

#include "platform/LocaleId.h"

namespace {

struct Language {
    const char* pszTitle;
    const char* pszSaveOne;
    const char* pszLoadOne;
    const char* pszSaveTwo;
    const char* pszLoadTwo;
    const char* pszDisplay;
};

const Language kEnglish{
    "Menu",           "Save Profile I", "Load Profile I", "Save Profile II", "Load Profile II",
    "Display Setting"};
const Language kSimplified{"菜单",        "配置保存 I",  "加载配置 I",
                           "配置保存 II", "加载配置 II", "显示设置"};
const Language kTraditional{"選單",          "儲存自定檔 I",  "載入自定檔 I",
                            "儲存自定檔 II", "載入自定檔 II", "顯示設定"};

// The remote screens keep their product names in every language.
const char* const kLumoRemote = "Lumo Remote";
const char* const kLumoPoster = "Lumo Poster";

MenuResource OverClockMenu(const Language& language) {
    return {QString::fromUtf8(language.pszTitle),
            {{ID_MENU_SAVE_PROFILE_ONE, QString::fromUtf8(language.pszSaveOne)},
             {ID_MENU_LOAD_PROFILE_ONE, QString::fromUtf8(language.pszLoadOne)},
             {ID_MENU_SAVE_PROFILE_TWO, QString::fromUtf8(language.pszSaveTwo)},
             {ID_MENU_LOAD_PROFILE_TWO, QString::fromUtf8(language.pszLoadTwo)},
             {ID_MENU_DISPLAY_SETTING, QString::fromUtf8(language.pszDisplay)},
             {0, QString()},
             {ID_MENU_LUMO_REMOTE, QString::fromLatin1(kLumoRemote)},
             {ID_MENU_LUMO_POSTER, QString::fromLatin1(kLumoPoster)}}};
}

MenuResource MonitorMenu(const Language& language) {
    return {QString::fromUtf8(language.pszTitle),
            {{ID_MENU_LUMO_REMOTE, QString::fromLatin1(kLumoRemote)},
             {ID_MENU_LUMO_POSTER, QString::fromLatin1(kLumoPoster)}}};
}

}  // namespace

int LocalizeMenuId(int nMenuId, uint32_t nLcid) {
    if (nLcid == kLcidTraditionalChinese) {
        if (nMenuId == IDR_MENU_OVERCLOCK)
            return IDR_MENU_OVERCLOCK_TC;
        if (nMenuId == IDR_MENU_MONITOR)
            return IDR_MENU_MONITOR_TC;
    } else if (nLcid == kLcidSimplifiedChinese) {
        if (nMenuId == IDR_MENU_OVERCLOCK)
            return IDR_MENU_OVERCLOCK_SC;
        if (nMenuId == IDR_MENU_MONITOR)
            return IDR_MENU_MONITOR_SC;
    }
    return nMenuId;
}

std::optional<MenuResource> LoadMenuResource(int nMenuId) {
    switch (nMenuId) {
        case IDR_MENU_OVERCLOCK:
            return OverClockMenu(kEnglish);
        case IDR_MENU_MONITOR:
            return MonitorMenu(kEnglish);
        case IDR_MENU_OVERCLOCK_SC:
            return OverClockMenu(kSimplified);
        case IDR_MENU_MONITOR_SC:
            return MonitorMenu(kSimplified);
        case IDR_MENU_OVERCLOCK_TC:
            return OverClockMenu(kTraditional);
        case IDR_MENU_MONITOR_TC:
            return MonitorMenu(kTraditional);
        default:
            return std::nullopt;
    }
}
