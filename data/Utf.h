#pragma once

#include <string>
#include <string_view>

// Conversions between the UTF-16 texts of the INI documents and the UTF-8
// texts of reports and terminals. An unpaired surrogate or a malformed
// UTF-8 sequence becomes U+FFFD, so no text is ever cut short.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
