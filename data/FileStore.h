#pragma once

#include <string>
#include <string_view>

// Reading and replacing the user's files so that nothing they keep is lost.

// Reads a regular file whole. A directory, a pipe or a device in its place
// is refused as a missing file is, without waiting on it. False when the
// file cannot be read.
bool ReadRegularFile(const std::string& strPath, std::string& bytes);

// Whether the path is a file the user made read-only (no write bit, or no
// write access): such a file is never replaced, rewritten or deleted.
bool IsReadOnlyFile(const std::string& strPath);

// Replaces the file's contents whole or not at all: written beside it and
// renamed over it, keeping its mode, owner and group. A symbolic link stays
// a link: the file it points to is replaced the same way, beside itself; a
// link to nothing is refused. A file the user made read-only is left
// alone. Where the folder cannot take a new file but the file itself is
// writable, the file is rewritten in place. False when nothing was written;
// then pstrWhy, if given, says why in a few words.
bool ReplaceFileWhole(const std::string& strPath, std::string_view bytes,
                      std::string* pstrWhy = nullptr);
