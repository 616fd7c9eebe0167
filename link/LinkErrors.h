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
inline constexpr int kErrorApply = 7;
inline constexpr const char* kTextApply = "Apply data error \n";
