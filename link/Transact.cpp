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

// The size the reply must reach to be whole: the length a framed reply
// announces, or the chunk's given size; 0 while it is not known.
size_t ExpectedSize(std::span<const uint8_t> bytes, size_t nBufferSize, EReplyShape shape,
                    size_t nChunkSize) {
    return shape == EReplyShape::Chunk ? nChunkSize : AnnouncedLength(bytes, nBufferSize);
}

// Reads whatever has arrived onto the end of what the exchange holds.
void ReadMore(ISerialPort& port, Exchange& exchange) {
    const ReadResult read = port.Read(std::span(exchange.reply).subspan(exchange.nCount));
    exchange.nCount += read.nCount;
    exchange.bNotConnected = exchange.bNotConnected || read.bNotConnected;
}

// Reads until the window is up.
void ReadToDeadline(ISerialPort& port, IClock& clock, std::stop_token stop,
                    IClock::TimePoint deadline, Exchange& exchange) {
    while (!stop.stop_requested() && !exchange.bNotConnected &&
           exchange.nCount < exchange.reply.size()) {
        const microseconds wait = duration_cast<microseconds>(deadline - clock.Now());
        if (wait <= microseconds::zero()) {
            return;
        }
        if (port.WaitReadable(clock, wait, stop)) {
            ReadMore(port, exchange);
        }
    }
}

// Fast timing, for a reply whose size is known once it starts (framed) or
// beforehand (a chunk of the size expected).
void ReadUntilWhole(ISerialPort& port, IClock& clock, std::stop_token stop, EReplyShape shape,
                    size_t nChunkSize, Exchange& exchange) {
    const IClock::TimePoint deadline =
        clock.Now() + duration_cast<IClock::TimePoint::duration>(Protocol::kExchangeWait);
    const size_t nBuffer = exchange.reply.size();
    auto whole = [&] { return IsWholeReply(exchange.Received(), nBuffer, shape); };
    bool bEarly = false;
    while (!stop.stop_requested() && exchange.nCount < nBuffer) {
        const microseconds wait = duration_cast<microseconds>(deadline - clock.Now());
        if (wait <= microseconds::zero()) {
            break;
        }
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
        const size_t nExpected = ExpectedSize(bytes, nBuffer, shape, nChunkSize);
        if (nExpected > 0 && bytes.size() >= nExpected) {
            // A chunk of another size than expected may still grow.
            bEarly = shape == EReplyShape::Framed || (bytes.size() == nExpected && whole());
            break;
        }
    }
    if (shape == EReplyShape::Chunk && !bEarly) {
        ReadToDeadline(port, clock, stop, deadline, exchange);
        exchange.bWhole = whole();
        return;
    }
    exchange.bWhole = whole();
    if (!exchange.bWhole || stop.stop_requested()) {
        return;
    }
    // Bytes past the end would be a second reply, or noise: watched for
    // a moment, and kept, so the reply's check refuses them. A chunk that
    // goes on was not whole yet.
    const size_t nBefore = exchange.nCount;
    if (port.WaitReadable(clock, kReplyGap, stop)) {
        ReadMore(port, exchange);
    }
    if (shape == EReplyShape::Chunk && exchange.nCount > nBefore) {
        ReadToDeadline(port, clock, stop, deadline, exchange);
    }
    exchange.bWhole = whole();
}

}  // namespace

bool IsWholeReply(std::span<const uint8_t> received, size_t nBufferSize, EReplyShape shape) {
    if (shape == EReplyShape::Chunk) {
        return received.size() >= Protocol::kFrameOverhead &&
               XorChecksum(received.first(received.size() - 1)) == received.back();
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
                  std::stop_token stop, size_t nBufferSize, ELinkTiming timing, EReplyShape shape,
                  size_t nChunkSize) {
    Exchange exchange;
    // Read before they are dropped, only to be counted.
    std::array<uint8_t, Protocol::kReplyBufferSize> stale{};
    for (ReadResult read = port.Read(stale); read.nCount > 0; read = port.Read(stale)) {
        exchange.nStale += read.nCount;
    }
    port.DiscardInput();
    exchange.bWritten = port.Write(frame);
    exchange.reply.assign(nBufferSize, 0);
    // A late reply was just found: its twin may follow, so this reply is
    // not taken before the window is up. A chunk of unknown size may grow
    // until then.
    const bool bWholeWindow = timing == ELinkTiming::Fixed || !exchange.bWritten ||
                              exchange.nStale > 0 ||
                              (shape == EReplyShape::Chunk && nChunkSize == 0);
    if (bWholeWindow) {
        // A failed write waits as well: the caller's retry rhythm stays.
        clock.SleepFor(Protocol::kExchangeWait, stop);
        const ReadResult read = port.Read(exchange.reply);
        exchange.nCount = read.nCount;
        exchange.bNotConnected = read.bNotConnected;
        exchange.bWhole = IsWholeReply(exchange.Received(), nBufferSize, shape);
        return exchange;
    }
    ReadUntilWhole(port, clock, stop, shape, nChunkSize, exchange);
    return exchange;
}
