#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "export/CBoardExporter.h"
#include "link/BoardAddress.h"

// One board of `tunevoctl serve` on a thread of its own: keeps its link,
// reads it in rounds into its exporter and brings a lost link back. A board
// that does not answer costs only its own thread. Stops and lets go of the
// board's port when destroyed.
class CBoardRunner {
public:
    struct Settings {
        std::string strName;                 // the board label
        std::optional<BoardAddress> address;  // none: the board every session opens
        double dInterval = 10;                // seconds between rounds
        std::vector<std::pair<std::string, std::string>> labels;
    };

    explicit CBoardRunner(Settings settings);
    ~CBoardRunner();
    CBoardRunner(const CBoardRunner&) = delete;
    CBoardRunner& operator=(const CBoardRunner&) = delete;

    const Settings& Of() const { return m_settings; }
    const std::shared_ptr<CBoardExporter>& Exporter() const { return m_pExporter; }

private:
    void Run();

    const Settings m_settings;
    std::shared_ptr<CBoardExporter> m_pExporter;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;  // last: it starts once the rest is made
};
