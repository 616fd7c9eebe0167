#pragma once

#include <sys/types.h>

#include <string>

// A folder where only this user can create files: the single-copy lock and
// its socket live there, so that no other local user can take their names
// first and keep the program out.

// The places tried, in order. Empty ones are skipped.
struct PrivateFolderPlaces {
    std::string strRuntimeDir;   // $XDG_RUNTIME_DIR
    std::string strTempRuntime;  // the usual fallback, /tmp/runtime-USER (made when missing)
    std::string strCacheFolder;  // the user's cache folder's tunevo folder (made when missing)
    uid_t nUser = 0;
};

// The places for the current user, from the environment.
PrivateFolderPlaces PrivateFolderPlacesNow();

// The first place that is a directory, not a symbolic link, owned by the
// user and open to nobody else (mode 0700 at most). The cache folder is made
// for the user alone when missing. Empty, with strWhy saying what each place
// lacked, when none is.
std::string FindPrivateFolder(const PrivateFolderPlaces& places, std::string& strWhy);
