#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/IPortOpener.h"

// Maps port number n to a device path through a pattern with one "%d",
// such as the default "/dev/rfcomm%d" that `rfcomm bind` creates.
class CDevicePortOpener final : public IPortOpener {
public:
    static constexpr std::string_view kDefaultPattern = "/dev/rfcomm%d";
    static constexpr const char* kPatternVariable = "TUNEVO_PORT_PATTERN";

    explicit CDevicePortOpener(std::string strPattern);

    // The pattern from TUNEVO_PORT_PATTERN, or the default when it is unset or empty.
    static std::string PatternFromEnvironment();

    // True when the pattern holds exactly one "%d" and no other "%".
    static bool IsValidPattern(std::string_view pattern);

    // The device path of port n; nothing for an invalid pattern.
    static std::optional<std::string> FormatPath(std::string_view pattern, int nPort);

    const std::string& Pattern() const { return m_strPattern; }

    std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) override;

private:
    std::string m_strPattern;
};
