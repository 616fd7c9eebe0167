#include "shell/MenuResources.h"

#include <array>

#include "screens/ScreenPainting.h"

namespace {

struct Entry {
    int nCommand;
    // Its screen's title, so that menu and screen never differ.
    const char16_t* pszTextKey;
    // Without the locale file a menu must still be usable.
    const char* pszFallback;
};

constexpr std::array<Entry, 12> kOverClockEntries = {{
    {ID_MENU_SAVE_PROFILE_ONE, u"STR_SAVEPROFILE_ONE", "Save Profile I"},
    {ID_MENU_LOAD_PROFILE_ONE, u"STR_LOADPROFILE_ONE", "Load Profile I"},
    {ID_MENU_SAVE_PROFILE_TWO, u"STR_SAVEPROFILE_TWO", "Save Profile II"},
    {ID_MENU_LOAD_PROFILE_TWO, u"STR_LOADPROFILE_TWO", "Load Profile II"},
    {ID_MENU_UNDO, u"STR_UNDO", "Undo Last Apply"},
    {ID_MENU_KEEP_ASK, u"STR_KEEP_SETTING", "Ask to Keep Values: %1"},
    {ID_MENU_DISPLAY_SETTING, u"STR_DISPLAY_SETTING", "Display Setting"},
    // The monitor's reads go on under the over-clock page, so a recording
    // started there records them.
    {ID_MENU_RECORD, u"STR_RECORD", "Record to File"},
    {ID_MENU_ALARM_LOG, u"STR_ALARM_LOG", "Alarm Log"},
    {ID_MENU_JOURNAL, u"STR_JOURNAL", "Journal"},
    {ID_MENU_LUMO_REMOTE, u"STR_LUMOREMOTE", "Remote Power"},
    {ID_MENU_LUMO_POSTER, u"STR_LUMOPOSTER", "POST Display"},
}};
// The settings end before the recording, the logs and the remote screens,
// which the monitor page's menu shares; a separator parts them.
constexpr size_t kRemoteEntriesFrom = 7;

QString TextOf(const char16_t* pszKey, const char* pszFallback) {
    const QString strText = LocaleText(pszKey);
    const QString strShown = strText.isEmpty() ? QString::fromLatin1(pszFallback) : strText;
    // A setting's entry says its state; the window marks it once it knows.
    return strShown.contains(QStringLiteral("%1")) ? strShown.arg(TextOf(u"STR_OFF", "Off"))
                                                   : strShown;
}

}  // namespace

std::optional<MenuResource> LoadMenuResource(int nMenuId) {
    if (nMenuId != IDR_MENU_OVERCLOCK && nMenuId != IDR_MENU_MONITOR) {
        return std::nullopt;
    }
    MenuResource menu{TextOf(u"STR_MENU", "Menu"), {}};
    const bool bFull = nMenuId == IDR_MENU_OVERCLOCK;
    if (!bFull) {
        menu.items.push_back(
            {ID_MENU_RESET_FIGURES, TextOf(u"STR_RESET_FIGURES", "Reset Min/Avg/Max")});
        menu.items.push_back({0, QString()});
    }
    for (size_t i = bFull ? 0 : kRemoteEntriesFrom; i < kOverClockEntries.size(); ++i) {
        if (bFull && i == kRemoteEntriesFrom) {
            menu.items.push_back({0, QString()});
        }
        const Entry& entry = kOverClockEntries[i];
        menu.items.push_back({entry.nCommand, TextOf(entry.pszTextKey, entry.pszFallback)});
    }
    return menu;
}
