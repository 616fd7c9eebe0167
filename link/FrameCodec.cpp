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

bool HasValidChecksum(std::span<const uint8_t> reply) {
    if (reply.size() <= Protocol::kOffsetLength ||
        reply[Protocol::kOffsetLength] > Protocol::kMaxCheckableLength) {
        return false;
    }
    const size_t nSize = reply[Protocol::kOffsetLength] + Protocol::kFrameOverhead;
    if (nSize > reply.size()) {
        return false;
    }
    return XorChecksum(reply.first(nSize - 1)) == reply[nSize - 1];
}

EReplyCheck IsValidReply(std::span<const uint8_t> reply, uint8_t nLetter) {
    if (reply.size() <= Protocol::kOffsetLetter ||
        reply[Protocol::kOffsetStart] != Protocol::kStartReply ||
        reply[Protocol::kOffsetLetter] != nLetter) {
        return EReplyCheck::Malformed;
    }
    return HasValidChecksum(reply) ? EReplyCheck::Valid : EReplyCheck::ChecksumFailure;
}
