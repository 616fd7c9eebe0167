#pragma once

#include <memory>
#include <string>

namespace prometheus {
class Collectable;
class Exposer;
}  // namespace prometheus

// The HTTP side of the Prometheus export: serves /metrics on HOST:PORT from
// the collectables registered with it, on threads of its own; a scrape
// never waits on the board.
class CMetricsServer {
public:
    CMetricsServer();
    ~CMetricsServer();
    CMetricsServer(const CMetricsServer&) = delete;
    CMetricsServer& operator=(const CMetricsServer&) = delete;

    // Listens on HOST:PORT (port 0 takes a free one). False with the reason
    // in strError when it cannot.
    bool Listen(const std::string& strListen, std::string& strError);
    // Serves the collectable's metrics from now on.
    void Serve(const std::shared_ptr<prometheus::Collectable>& pCollectable);
    // The port listened on, 0 before Listen succeeded.
    int Port() const;

private:
    std::unique_ptr<prometheus::Exposer> m_pExposer;
};
