#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "export/CWebConfig.h"
#include "export/ListenAddress.h"

namespace prometheus {
class Collectable;
}  // namespace prometheus
struct mg_connection;
struct mg_context;

// The HTTP side of the Prometheus export, on threads of its own: /metrics
// from the collectables registered with it, a landing page at /, and
// /-/healthy and /-/ready; GET and HEAD. A scrape never waits on a board,
// and no client holds a thread longer than the request timeout, so idle or
// slow connections cannot stall the scrapes.
class CMetricsServer {
public:
    struct Settings {
        int nConnections = 16;       // served at once; more wait their turn
        int nRequestTimeoutMs = 5000;  // a request not whole by then is dropped
    };
    // A line of the landing page.
    struct BoardLine {
        std::string strName;
        std::string strAddress;
        bool bUp = false;
    };

    CMetricsServer();
    ~CMetricsServer();
    CMetricsServer(const CMetricsServer&) = delete;
    CMetricsServer& operator=(const CMetricsServer&) = delete;

    // Before Listen: the users whose credentials every request must carry.
    void RequireAuth(CWebConfig config) { m_auth = std::move(config); }
    // Before Listen: what the landing page lists.
    void ListBoards(std::function<std::vector<BoardLine>()> boards) { m_boards = std::move(boards); }
    // Serves the collectable's metrics from now on, or no longer.
    void Serve(const std::shared_ptr<prometheus::Collectable>& pCollectable);
    void StopServing(const std::shared_ptr<prometheus::Collectable>& pCollectable);

    // False with the cause (address in use, no such address, permission) in
    // strError when it cannot listen.
    bool Listen(const ListenAddress& address, const Settings& settings, std::string& strError);
    // The port listened on, 0 before Listen succeeded.
    int Port() const;

private:
    static int Handle(mg_connection* pConnection, void* pThis);
    int Answer(mg_connection& connection);
    std::string MetricsText();
    std::string LandingPage() const;

    mg_context* m_pContext = nullptr;
    CWebConfig m_auth;
    std::function<std::vector<BoardLine>()> m_boards;
    std::mutex m_mutex;  // the collectables
    std::vector<std::shared_ptr<prometheus::Collectable>> m_collectables;
    std::atomic<uint64_t> m_nScrapes{0};
    std::atomic<uint64_t> m_nBytes{0};
    std::atomic<uint64_t> m_nScrapeMicroseconds{0};
};
