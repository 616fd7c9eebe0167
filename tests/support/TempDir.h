#pragma once

#include <string>

// A fresh folder for one test, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Writes a file below the folder (creating folders on the way); returns its path.
    std::string WriteFile(const std::string& strName, const std::string& strBytes) const;
    std::string ReadFile(const std::string& strName) const;

private:
    std::string m_strPath;
};
