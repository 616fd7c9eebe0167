#include "widgets/BusyFrames.h"

#include "widgets/ScreenLayout.h"
#include "widgets/SvgImage.h"

namespace {
constexpr QSize kLargeFrameSize(100, 100);
constexpr QSize kSmallFrameSize(48, 48);
}  // namespace

BusyFrames::BusyFrames(uint8_t nLayout) {
    const QSize size = nLayout == LayoutSmall ? kSmallFrameSize : kLargeFrameSize;
    for (int i = 0; i < kFrameCount; ++i) {
        m_frames[static_cast<size_t>(i)] =
            RenderSvg(QStringLiteral(":/images/busy_%1.svg").arg(i), size);
    }
}
