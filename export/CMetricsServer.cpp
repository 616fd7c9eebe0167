#include "export/CMetricsServer.h"

#include <prometheus/exposer.h>

#include <exception>
#include <vector>

namespace {
// Answers the scrapes; the link's reads run on the command's own thread.
constexpr size_t kHttpThreads = 2;
}  // namespace

CMetricsServer::CMetricsServer() = default;
CMetricsServer::~CMetricsServer() = default;

bool CMetricsServer::Listen(const std::string& strListen, std::string& strError) {
    try {
        m_pExposer = std::make_unique<prometheus::Exposer>(strListen, kHttpThreads);
    } catch (const std::exception& error) {
        strError = error.what();
        return false;
    }
    return true;
}

void CMetricsServer::Serve(const std::shared_ptr<prometheus::Collectable>& pCollectable) {
    m_pExposer->RegisterCollectable(pCollectable);
}

int CMetricsServer::Port() const {
    if (!m_pExposer) {
        return 0;
    }
    const std::vector<int> ports = m_pExposer->GetListeningPorts();
    return ports.empty() ? 0 : ports.front();
}
