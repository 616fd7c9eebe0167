#include "sim/CDemoBoard.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

CDemoBoard::CDemoBoard() : m_pBoard(std::make_shared<CBoardModel>()), m_server(m_pBoard) {}

CDemoBoard::~CDemoBoard() {
    m_server.Stop();
    if (!m_strFolder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(m_strFolder, error);
    }
}

bool CDemoBoard::Start(std::string& strError) {
    std::error_code error;
    std::string strTemplate =
        (std::filesystem::temp_directory_path(error) / "tunevo-demo-XXXXXX").string();
    if (error || mkdtemp(strTemplate.data()) == nullptr) {
        strError = "cannot create a folder for the simulated board";
        return false;
    }
    m_strFolder = strTemplate;
    return m_server.Start(m_strFolder + "/rfcomm0", strError);
}
