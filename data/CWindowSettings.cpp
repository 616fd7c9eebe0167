#include "data/CWindowSettings.h"

#include <cmath>
#include <cstdlib>

#include "data/CIniDocument.h"
#include "data/IniPaths.h"
#include "data/Utf.h"

namespace {

constexpr std::u16string_view kSection = u"Window";
constexpr std::u16string_view kScaleKey = u"Scale";

std::string PathIn(const std::string& strFolder) {
    return MakeIniPath(strFolder.empty() ? g_szProgramDir : strFolder, "/window.ini");
}

}  // namespace

WindowSettings WindowSettings::Load(const std::string& strFolder) {
    WindowSettings settings;
    CIniDocument document;
    if (document.LoadFile(PathIn(strFolder)) < 0) {
        return settings;
    }
    const char16_t* pszScale = document.GetValue(kSection, kScaleKey);
    if (pszScale == nullptr) {
        return settings;
    }
    const std::string strScale = ToUtf8(pszScale);
    char* pszEnd = nullptr;
    const double dScale = std::strtod(strScale.c_str(), &pszEnd);
    // Only the steps the zoom keys make: anything else was not written by us.
    const bool bHalfStep = std::isfinite(dScale) && dScale * 2 == std::round(dScale * 2);
    if (!strScale.empty() && *pszEnd == '\0' && bHalfStep && dScale >= kLeastScale &&
        dScale <= kMostScale) {
        settings.dScale = dScale;
    }
    return settings;
}

bool WindowSettings::Save(std::string& strWhy, const std::string& strFolder) const {
    CIniDocument document;
    document.SetUnicode(true);
    document.LoadFile(PathIn(strFolder));
    // Half steps only, so one decimal says it exactly in any locale; 0 is
    // read back as none kept.
    const int nTenths = static_cast<int>(std::lround(dScale * 10));
    document.SetValue(kSection, kScaleKey,
                      FromUtf8(std::to_string(nTenths / 10) + "." + std::to_string(nTenths % 10)));
    return document.SaveFile(PathIn(strFolder), &strWhy) >= 0;
}
