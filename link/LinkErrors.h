#pragma once

// Error kinds and texts the link passes to ILinkListener::OnLinkError. The
// texts are fixed; screens show their own locale texts instead.

inline constexpr int kErrorPowerStatus = 1;
inline constexpr const char* kTextPowerStatus = "Send Check Power Status error \n";
inline constexpr int kErrorLockCheck = 2;
inline constexpr const char* kTextLockCheck = "Check ECLock Status error \n";
inline constexpr int kErrorPowerAction = 3;
inline constexpr const char* kTextPowerAction = "Send LumoPower error \n";
inline constexpr int kErrorMessageMode = 4;
inline constexpr const char* kTextMessageMode = "Set Message Mode error \n";
inline constexpr int kErrorConfigDownload = 5;
inline constexpr const char* kTextConfigDownload = "Generate INIConfig fileerror \n";
// The configuration could not be written into Tunevo's folder.
inline constexpr int kErrorConfigFile = 14;
inline constexpr const char* kTextConfigFile = "Write INIConfig file error \n";
// Fast timing lost too many replies: the link works in fixed timing from now on.
inline constexpr int kErrorTimingFallback = 15;
inline constexpr const char* kTextTimingFallback = "Link timing fell back to fixed \n";
inline constexpr int kErrorApply = 7;
inline constexpr const char* kTextApply = "Apply data error \n";

// A value reply of a refresh failed its checksum; one kind and text per array
// (the two over-clock frequency and ratio arrays share kind 9).
inline constexpr int kErrorRefreshOverVolt = 8;
inline constexpr int kErrorRefreshOverFreq = 9;
inline constexpr int kErrorRefreshOverRatio = 9;
inline constexpr int kErrorRefreshHwVolt = 10;
inline constexpr int kErrorRefreshHwTemp = 11;
inline constexpr int kErrorRefreshHwFan = 12;
inline constexpr int kErrorRefreshHwFrq = 13;
inline constexpr const char* kTextRefreshOverVolt = "reflash Over_Volt error";
inline constexpr const char* kTextRefreshOverFreq = "reflash Over_Freq error";
inline constexpr const char* kTextRefreshOverRatio = "reflash Over_Ratio error";
inline constexpr const char* kTextRefreshHwVolt = "reflash HW_Volt error";
inline constexpr const char* kTextRefreshHwTemp = "reflash HW_Temp error";
inline constexpr const char* kTextRefreshHwFan = "reflash HW_Fan error";
inline constexpr const char* kTextRefreshHwFrq = "reflash HW_Frq error";
