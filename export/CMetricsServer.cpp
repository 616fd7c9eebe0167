#include "export/CMetricsServer.h"

#include <civetweb.h>
#include <prometheus/collectable.h>
#include <prometheus/text_serializer.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iterator>
#include <map>

#include "export/ProcessMetrics.h"

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

MetricFamily Counter(const char* pszName, const char* pszHelp, double dValue) {
    ClientMetric metric;
    metric.counter.value = dValue;
    return {pszName, pszHelp, MetricType::Counter, {metric}};
}

std::string HtmlEscaped(const std::string& strText) {
    std::string strEscaped;
    for (const char c : strText) {
        switch (c) {
            case '<': strEscaped += "&lt;"; break;
            case '>': strEscaped += "&gt;"; break;
            case '&': strEscaped += "&amp;"; break;
            case '"': strEscaped += "&quot;"; break;
            default: strEscaped += c;
        }
    }
    return strEscaped;
}

// One whole reply; a HEAD gets the headers alone. The connection closes
// after it, so no idle keep-alive holds a thread.
int Reply(mg_connection& connection, int nStatus, const char* pszType, const std::string& strBody,
          const char* pszHeaders = "") {
    const char* pszMethod = mg_get_request_info(&connection)->request_method;
    mg_printf(&connection,
              "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n%s\r\n",
              nStatus, mg_get_response_code_text(&connection, nStatus), pszType, strBody.size(),
              pszHeaders);
    if (std::strcmp(pszMethod, "HEAD") != 0) {
        mg_write(&connection, strBody.data(), strBody.size());
    }
    return nStatus;
}

// Why the address cannot be listened on, found by binding it as the server
// would (civetweb only says that it failed); empty when it can.
std::string BindProblem(const ListenAddress& address) {
    const int nFd = ::socket(address.bIpv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nFd < 0) {
        return std::strerror(errno);
    }
    const int nOn = 1;
    ::setsockopt(nFd, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof(nOn));
    sockaddr_storage storage{};
    socklen_t nSize = 0;
    if (address.bIpv6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<uint16_t>(address.nPort));
        ::inet_pton(AF_INET6, address.strHost.c_str(), &v6.sin6_addr);
        nSize = sizeof(v6);
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<uint16_t>(address.nPort));
        v4.sin_addr.s_addr = htonl(INADDR_ANY);
        if (!address.strHost.empty()) {
            ::inet_pton(AF_INET, address.strHost.c_str(), &v4.sin_addr);
        }
        nSize = sizeof(v4);
    }
    const int nResult = ::bind(nFd, reinterpret_cast<sockaddr*>(&storage), nSize);
    const int nError = errno;
    ::close(nFd);
    if (nResult == 0) {
        return {};
    }
    switch (nError) {
        case EADDRINUSE: return "the address is in use by another program";
        case EADDRNOTAVAIL: return "no interface of this machine has that address";
        case EACCES: return "permission denied (ports below 1024 need privileges)";
        default: return std::strerror(nError);
    }
}

}  // namespace

CMetricsServer::CMetricsServer() = default;

CMetricsServer::~CMetricsServer() {
    if (m_pContext != nullptr) {
        mg_stop(m_pContext);
    }
}

void CMetricsServer::Serve(const std::shared_ptr<prometheus::Collectable>& pCollectable) {
    std::lock_guard lock(m_mutex);
    m_collectables.push_back(pCollectable);
}

void CMetricsServer::StopServing(const std::shared_ptr<prometheus::Collectable>& pCollectable) {
    std::lock_guard lock(m_mutex);
    std::erase(m_collectables, pCollectable);
}

bool CMetricsServer::Listen(const ListenAddress& address, const Settings& settings,
                            std::string& strError) {
    static const unsigned kLibrary = mg_init_library(0);
    (void)kLibrary;
    constexpr unsigned kIpv6Feature = 8;
    if (address.bIpv6 && mg_check_feature(kIpv6Feature) == 0) {
        strError = "this build's HTTP server has no IPv6";
        return false;
    }
    if (std::string strProblem = BindProblem(address); !strProblem.empty()) {
        strError = std::move(strProblem);
        return false;
    }
    const std::string strPorts = address.ServerSpec();
    const std::string strThreads = std::to_string(settings.nConnections);
    const std::string strTimeout = std::to_string(settings.nRequestTimeoutMs);
    const char* options[] = {"listening_ports",    strPorts.c_str(),
                             "num_threads",        strThreads.c_str(),
                             "request_timeout_ms", strTimeout.c_str(),
                             "enable_keep_alive",  "no",
                             nullptr};
    mg_callbacks callbacks{};
    // civetweb would print its own diagnostics; the error below says it once.
    callbacks.log_message = [](const mg_connection*, const char*) { return 1; };
    // Its own error replies (408 for a request not whole in time) stamp a
    // date through gmtime(), which two workers' replies would race on.
    callbacks.http_error = [](mg_connection* pConnection, int nStatus, const char* pszText) {
        const std::string strBody = std::string(pszText) + "\n";
        mg_printf(pConnection,
                  "HTTP/1.1 %d %s\r\nContent-Type: text/plain; charset=utf-8\r\n"
                  "Content-Length: %zu\r\nConnection: close\r\n\r\n%s",
                  nStatus, mg_get_response_code_text(pConnection, nStatus), strBody.size(),
                  strBody.c_str());
        return 0;
    };
    mg_init_data init{&callbacks, this, options};
    char szError[256] = {};
    unsigned nCode = 0;
    mg_error_data error{&nCode, szError, sizeof(szError)};
    m_pContext = mg_start2(&init, &error);
    if (m_pContext == nullptr) {
        strError = szError[0] != '\0' ? szError : "the HTTP server did not start";
        return false;
    }
    mg_set_request_handler(m_pContext, "/", &CMetricsServer::Handle, this);
    return true;
}

int CMetricsServer::Port() const {
    if (m_pContext == nullptr) {
        return 0;
    }
    mg_server_port ports[1] = {};
    return mg_get_server_ports(m_pContext, 1, ports) > 0 ? ports[0].port : 0;
}

int CMetricsServer::Handle(mg_connection* pConnection, void* pThis) {
    return static_cast<CMetricsServer*>(pThis)->Answer(*pConnection);
}

int CMetricsServer::Answer(mg_connection& connection) {
    const mg_request_info& request = *mg_get_request_info(&connection);
    const std::string strMethod = request.request_method;
    const std::string strPath = request.local_uri != nullptr ? request.local_uri : "";
    constexpr const char* kText = "text/plain; charset=utf-8";
    if (!m_auth.Accepts(mg_get_header(&connection, "Authorization"))) {
        return Reply(connection, 401, kText, "Unauthorized\n",
                     "WWW-Authenticate: Basic realm=\"tunevo\", charset=\"UTF-8\"\r\n");
    }
    if (strMethod != "GET" && strMethod != "HEAD") {
        return Reply(connection, 405, kText, "Only GET and HEAD\n", "Allow: GET, HEAD\r\n");
    }
    if (strPath == "/metrics") {
        return Reply(connection, 200, "text/plain; version=0.0.4; charset=utf-8", MetricsText());
    }
    if (strPath == "/-/healthy") {
        return Reply(connection, 200, kText, "Healthy\n");
    }
    if (strPath == "/-/ready") {
        return Reply(connection, 200, kText, "Ready\n");
    }
    if (strPath == "/") {
        return Reply(connection, 200, "text/html; charset=utf-8", LandingPage());
    }
    return Reply(connection, 404, kText, "Not found; the metrics are at /metrics\n");
}

std::string CMetricsServer::MetricsText() {
    const auto start = std::chrono::steady_clock::now();
    std::vector<MetricFamily> families;
    {
        std::lock_guard lock(m_mutex);
        // Each board gives the same families: one of each name, holding
        // every board's series (a name's TYPE may be given once only).
        std::map<std::string, size_t> byName;
        for (const auto& pCollectable : m_collectables) {
            for (MetricFamily& family : pCollectable->Collect()) {
                const auto [it, bNew] = byName.try_emplace(family.name, families.size());
                if (bNew) {
                    families.push_back(std::move(family));
                } else {
                    auto& metrics = families[it->second].metric;
                    metrics.insert(metrics.end(), std::make_move_iterator(family.metric.begin()),
                                   std::make_move_iterator(family.metric.end()));
                }
            }
        }
    }
    ClientMetric build;
    build.label = {{"version", TUNEVO_VERSION}};
    build.gauge.value = 1;
    families.push_back({"tunevo_build_info", "The version of tunevoctl serving, always 1.",
                        MetricType::Gauge, {build}});
    families.push_back(Counter("tunevo_exposer_scrapes_total", "Scrapes of /metrics answered.",
                               static_cast<double>(m_nScrapes.load())));
    families.push_back(Counter("tunevo_exposer_transferred_bytes_total",
                               "Bytes of metrics sent, before this scrape's.",
                               static_cast<double>(m_nBytes.load())));
    families.push_back(Counter("tunevo_exposer_scrape_duration_seconds_total",
                               "Time spent making the metrics' text, before this scrape's.",
                               static_cast<double>(m_nScrapeMicroseconds.load()) / 1e6));
    for (MetricFamily& family : ProcessFamilies()) {
        families.push_back(std::move(family));
    }
    std::string strText = prometheus::TextSerializer().Serialize(families);
    ++m_nScrapes;
    m_nBytes += strText.size();
    m_nScrapeMicroseconds += static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                              start)
            .count());
    return strText;
}

std::string CMetricsServer::LandingPage() const {
    std::string strBoards;
    for (const BoardLine& board : m_boards ? m_boards() : std::vector<BoardLine>{}) {
        strBoards += "<li>" + HtmlEscaped(board.strName) + " at " + HtmlEscaped(board.strAddress) +
                     (board.bUp ? ": answering" : ": not answering") + "</li>\n";
    }
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<title>tunevoctl serve</title></head>\n<body><h1>tunevoctl serve</h1>\n"
           "<p><a href=\"/metrics\">Metrics</a> &middot; <a href=\"/-/healthy\">Healthy</a> "
           "&middot; <a href=\"/-/ready\">Ready</a></p>\n<h2>Boards</h2>\n<ul>\n" +
           strBoards + "</ul>\n</body></html>\n";
}
