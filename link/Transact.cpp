#include "link/Transact.h"

#include "link/FrameCodec.h"

#include <array>

namespace {

using std::chrono::duration_cast;
using std::chrono::microseconds;

// The length a framed reply announces, once its first two bytes are in;
// 0 while they are not, or when no reply can be that long.
size_t AnnouncedLength(std::span<const uint8_t> bytes, size_t nBufferSize) {
    if (bytes.size() < 2) {
        return 0;
    }
    const size_t nWhole = bytes[Protocol::kOffsetLength] + Protocol::kFrameOverhead;
    return nWhole <= nBufferSize ? nWhole : 0;
}

// Whether the bytes so far make a whole reply of this shape.
bool IsWhole(std::span<const uint8_t> bytes, size_t nBufferSize, EReplyShape shape) {
    if (shape == EReplyShape::Chunk) {
        return bytes.size() >= Protocol::kFrameOverhead &&
               XorChecksum(bytes.first(bytes.size() - 1)) == bytes.back();
    }
    const size_t nWhole = AnnouncedLength(bytes, nBufferSize);
    return nWhole > 0 && bytes.size() >= nWhole;
}

// Reads whatever has arrived onto the end of what the exchange holds.
void ReadMore(ISerialPort& port, Exchange& exchange) {
    const ReadResult read = port.Read(std::span(exchange.reply).subspan(exchange.nCount));
    exchange.nCount += read.nCount;
    exchange.bNotConnected = exchange.bNotConnected || read.bNotConnected;
}

void ReadUntilWhole(ISerialPort& port, IClock& clock, std::stop_token stop, EReplyShape shape,
                    Exchange& exchange) {
    const IClock::TimePoint deadline =
        clock.Now() + duration_cast<IClock::TimePoint::duration>(Protocol::kExchangeWait);
    const size_t nBuffer = exchange.reply.size();
    auto left = [&] { return duration_cast<microseconds>(deadline - clock.Now()); };
    while (!stop.stop_requested() && exchange.nCount < nBuffer) {
        // A chunk has no length: it ends with a silence. Anything else waits
        // for its next bytes until the fixed wait is up.
        const bool bChunkStarted = shape == EReplyShape::Chunk && exchange.nCount > 0;
        const microseconds wait = bChunkStarted ? std::min(left(), kChunkSilence) : left();
        if (wait <= microseconds::zero()) {
            break;
        }
        const size_t nBefore = exchange.nCount;
        if (port.WaitReadable(clock, wait, stop)) {
            ReadMore(port, exchange);
        }
        if (exchange.bNotConnected) {
            return;
        }
        const std::span<const uint8_t> bytes = exchange.Received();
        if (shape == EReplyShape::Framed && bytes.size() >= 2 &&
            AnnouncedLength(bytes, nBuffer) == 0) {
            return;  // no reply is that long: bad, whatever follows
        }
        const bool bSilence = exchange.nCount == nBefore;
        const bool bWhole = IsWhole(bytes, nBuffer, shape);
        if (shape == EReplyShape::Framed ? bWhole : bSilence && bWhole) {
            break;
        }
    }
    exchange.bWhole = IsWhole(exchange.Received(), nBuffer, shape);
    if (shape == EReplyShape::Chunk || !exchange.bWhole || stop.stop_requested()) {
        return;  // a chunk ended on a silence already
    }
    // Bytes past the end would be a second reply, or noise: watched for
    // a moment, and kept, so the reply's check refuses them.
    if (port.WaitReadable(clock, kReplyGap, stop)) {
        ReadMore(port, exchange);
    }
    exchange.bWhole = exchange.nCount == AnnouncedLength(exchange.Received(), nBuffer) &&
                      HasValidChecksum(exchange.Received());
}

}  // namespace

bool IsWholeReply(std::span<const uint8_t> received, size_t nBufferSize, EReplyShape shape) {
    if (shape == EReplyShape::Chunk) {
        return IsWhole(received, nBufferSize, shape);
    }
    return received.size() == AnnouncedLength(received, nBufferSize) && HasValidChecksum(received);
}

std::optional<ELinkTiming> ParseLinkTiming(std::string_view text) {
    if (text == "fast") {
        return ELinkTiming::Fast;
    }
    if (text == "fixed") {
        return ELinkTiming::Fixed;
    }
    return std::nullopt;
}

Exchange Transact(ISerialPort& port, IClock& clock, std::span<const uint8_t> frame,
                  std::stop_token stop, size_t nBufferSize, ELinkTiming timing, EReplyShape shape) {
    Exchange exchange;
    // Read before they are dropped, only to be counted.
    std::array<uint8_t, Protocol::kReplyBufferSize> stale{};
    for (ReadResult read = port.Read(stale); read.nCount > 0; read = port.Read(stale)) {
        exchange.nStale += read.nCount;
    }
    port.DiscardInput();
    exchange.bWritten = port.Write(frame);
    exchange.reply.assign(nBufferSize, 0);
    if (timing == ELinkTiming::Fixed || !exchange.bWritten) {
        // A failed write waits as well: the caller's retry rhythm stays.
        clock.SleepFor(Protocol::kExchangeWait, stop);
        const ReadResult read = port.Read(exchange.reply);
        exchange.nCount = read.nCount;
        exchange.bNotConnected = read.bNotConnected;
        return exchange;
    }
    ReadUntilWhole(port, clock, stop, shape, exchange);
    return exchange;
}
