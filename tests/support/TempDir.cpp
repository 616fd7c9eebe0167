#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

TempDir::TempDir() {
    std::string strTemplate =
        (std::filesystem::temp_directory_path() / "tunevo-test-XXXXXX").string();
    if (mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_strPath = strTemplate;
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(m_strPath, error);
}

std::string TempDir::WriteFile(const std::string& strName, const std::string& strBytes) const {
    std::filesystem::path path = std::filesystem::path(m_strPath) / strName;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << strBytes;
    return path.string();
}

std::string TempDir::ReadFile(const std::string& strName) const {
    std::ifstream in(std::filesystem::path(m_strPath) / strName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
