#pragma once

#include <string>
#include <string_view>

// The folder of the running program, where every file of ours lives:
// TUNEVO_DIR when set, otherwise the folder of /proc/self/exe. Never ends in
// "/"; empty for a program in the root folder. Any length.
std::string GetProgramDir();

// The folder part of a file path: everything before the last "/".
std::string DirectoryOf(std::string_view path);

inline constexpr const char* kProgramDirVariable = "TUNEVO_DIR";
