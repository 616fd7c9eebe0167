#include "link/FrameCodec.h"

#include "link/Protocol.h"

uint8_t XorChecksum(std::span<const uint8_t> bytes) {
    uint8_t nSum = 0;
    for (uint8_t nByte : bytes) {
        nSum ^= nByte;
    }
    return nSum;
}

Frame BuildFrame(uint8_t nStart, uint8_t nLetter, std::span<const uint8_t> parameters) {
    Frame frame;
    frame.reserve(parameters.size() + Protocol::kFrameOverhead + 1);
    frame.push_back(nStart);
    frame.push_back(static_cast<uint8_t>(parameters.size() + 1));
    frame.push_back(nLetter);
    frame.insert(frame.end(), parameters.begin(), parameters.end());
    frame.push_back(XorChecksum(frame));
    return frame;
}

Frame BuildOpenFrame() {
    return BuildFrame(Protocol::kStartQuery, Protocol::kLetterOpen, {});
}

Frame BuildChunkRequest(uint8_t nIndex) {
    const uint8_t parameters[] = {nIndex};
    return BuildFrame(Protocol::kStartQuery, Protocol::kLetterChunk, parameters);
}

Frame BuildCommandFrame(uint8_t nStart, uint8_t nLetter, uint8_t p1, uint8_t p2, uint8_t p3,
                        uint8_t p4) {
    const uint8_t parameters[Protocol::kCommandParameterCount] = {p1, p2, p3, p4};
    return BuildFrame(nStart, nLetter, parameters);
}

namespace {

// The frame size byte 1 announces; 0 when it cannot be checked.
size_t AnnouncedSize(std::span<const uint8_t> frame) {
    if (frame.size() <= Protocol::kOffsetLength ||
        frame[Protocol::kOffsetLength] > Protocol::kMaxCheckableLength) {
        return 0;
    }
    return frame[Protocol::kOffsetLength] + Protocol::kFrameOverhead;
}

}  // namespace

bool HasValidChecksum(std::span<const uint8_t> frame) {
    const size_t nSize = AnnouncedSize(frame);
    return nSize != 0 && nSize == frame.size() &&
           XorChecksum(frame.first(nSize - 1)) == frame[nSize - 1];
}

EReplyCheck IsValidReply(std::span<const uint8_t> received, uint8_t nLetter) {
    if (received.size() <= Protocol::kOffsetLetter ||
        received[Protocol::kOffsetStart] != Protocol::kStartReply ||
        received[Protocol::kOffsetLetter] != nLetter ||
        AnnouncedSize(received) != received.size()) {
        return EReplyCheck::Malformed;
    }
    return HasValidChecksum(received) ? EReplyCheck::Valid : EReplyCheck::ChecksumFailure;
}
