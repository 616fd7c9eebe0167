#pragma once

#include <QPixmap>
#include <array>

// The three frames of the busy indicator, at the size of the current layout.
class BusyFrames {
public:
    static constexpr int kFrameCount = 3;

    // Loads the frames for a layout code (ELayout).
    explicit BusyFrames(uint8_t nLayout);

    const QPixmap& Frame(int nIndex) const { return m_frames.at(static_cast<size_t>(nIndex)); }
    static int Next(int nIndex) { return (nIndex + 1) % kFrameCount; }

private:
    std::array<QPixmap, kFrameCount> m_frames;
};
