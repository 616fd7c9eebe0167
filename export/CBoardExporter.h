#pragma once

#include <prometheus/collectable.h>

#include <mutex>
#include <vector>

#include "export/ServedBoard.h"

// The last readings, for the HTTP server's threads: a scrape copies them
// under a short lock and never waits on the board.
class CBoardExporter final : public prometheus::Collectable {
public:
    explicit CBoardExporter(ServedBoard board) : m_board(std::move(board)) {}

    template <typename Change>
    void Update(Change change) {
        std::lock_guard lock(m_mutex);
        change(m_board);
    }
    ServedBoard Snapshot() const {
        std::lock_guard lock(m_mutex);
        return m_board;
    }
    std::vector<prometheus::MetricFamily> Collect() const override {
        return BoardFamilies(Snapshot(), ServedBoard::Clock::now());
    }

private:
    mutable std::mutex m_mutex;
    ServedBoard m_board;
};
