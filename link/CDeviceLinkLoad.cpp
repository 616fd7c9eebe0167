// The configuration download and the start-up load that follows it.

#include <fstream>

#include "data/CBoardConfig.h"
#include "link/CDeviceLink.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "link/Transact.h"

namespace {

constexpr int kChunkTries = 6;
// The open reply: start, L = 5, the open letter, the chunk count.
constexpr size_t kMinOpenReply = 5;
constexpr uint8_t kOpenReplyLength = 5;
// A chunk reply: start, index, text, checksum.
constexpr size_t kChunkReplyOverhead = 3;
constexpr size_t kOffsetChunkIndex = 1;
constexpr size_t kOffsetChunkText = 2;

// The chunk count of an acceptable open reply, 0 otherwise. Its checksum is
// not looked at.
int ChunkCountOf(const Exchange& open) {
    const std::vector<uint8_t>& reply = open.reply;
    if (open.nCount < kMinOpenReply || reply[Protocol::kOffsetStart] != Protocol::kStartReply ||
        reply[Protocol::kOffsetLength] != kOpenReplyLength ||
        reply[Protocol::kOffsetLetter] != Protocol::kLetterOpen) {
        return 0;
    }
    return reply[Protocol::kOffsetData];
}

enum class EChunkCheck { Good, BadChecksum, Other };

// A chunk reply has no length byte: it ends where the bytes received end.
EChunkCheck CheckChunk(const Exchange& exchange, uint8_t nIndex) {
    const std::vector<uint8_t>& reply = exchange.reply;
    if (exchange.nCount < kChunkReplyOverhead ||
        reply[Protocol::kOffsetStart] != Protocol::kStartReply ||
        reply[kOffsetChunkIndex] != nIndex) {
        return EChunkCheck::Other;
    }
    const size_t nLast = exchange.nCount - 1;
    return XorChecksum(std::span(reply).first(nLast)) == reply[nLast] ? EChunkCheck::Good
                                                                      : EChunkCheck::BadChecksum;
}

}  // namespace

void CDeviceLink::DownloadConfig(const std::string& strPath) {
    const PortUse use = UsePort(EBusyDiscipline::Skip);
    if (!use) {
        return;  // the old file stays and is loaded as it is
    }
    ISerialPort* pPort = use.pPort;
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = m_stop.get_token();
    auto reportFileError = [this] {
        Report([](ILinkListener& listener) {
            listener.OnLinkError(kErrorConfigDownload, kTextConfigDownload);
        });
    };
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    if (!file) {
        // Nothing can be kept; say so rather than load a file we did not write.
        reportFileError();
        return;
    }

    const Exchange open = Transact(*pPort, clock, BuildOpenFrame(), stop);
    if (!open.bWritten) {
        ReportLinkLost();
        return;
    }
    const int nChunks = ChunkCountOf(open);
    if (nChunks == 0) {
        return;  // the file stays empty: no items
    }
    clock.SleepFor(Protocol::kRetryPause, stop);

    for (int nChunk = 0; nChunk < nChunks && !stop.stop_requested(); ++nChunk) {
        const auto nIndex = static_cast<uint8_t>(nChunk);
        const Frame request = BuildChunkRequest(nIndex);
        bool bGot = false;
        for (int nTry = 0; nTry < kChunkTries && !bGot && !stop.stop_requested(); ++nTry) {
            const Exchange exchange = Transact(*pPort, clock, request, stop);
            if (!exchange.bWritten) {
                ReportLinkLost();
                continue;
            }
            switch (CheckChunk(exchange, nIndex)) {
                case EChunkCheck::Good:
                    file.write(
                        reinterpret_cast<const char*>(exchange.reply.data()) + kOffsetChunkText,
                        static_cast<std::streamsize>(exchange.nCount - kChunkReplyOverhead));
                    bGot = true;
                    continue;
                case EChunkCheck::BadChecksum:
                    // A damaged chunk is a line error like any other: counted,
                    // and asked for again.
                    CountChecksumFailure();
                    break;
                case EChunkCheck::Other:
                    break;
            }
            clock.SleepFor(Protocol::kRetryPause, stop);
        }
        if (!bGot && !stop.stop_requested()) {
            // The text keeps a gap there; the load goes on with the rest.
            reportFileError();
        }
    }
    file.flush();
    if (!file) {
        reportFileError();
    }
}

void CDeviceLink::LoadConfiguration() {
    CBoardConfig& config = CBoardConfig::Instance();
    config.LoadDocuments();
    m_pBoardConfig.store(&config);
}

void CDeviceLink::RunLoad() {
    const std::stop_token stop = m_stop.get_token();
    DownloadConfig(CBoardConfig::Instance().GetBoardFilePath());
    if (stop.stop_requested()) {
        return;
    }
    LoadConfiguration();

    for (EBoardArray array : kOverclockArrays) {
        LoadArray(array);
        RefreshArray(array);
    }
    {
        std::lock_guard lock(m_arrayMutex);
        PruneOverRatio(ArrayOf(EBoardArray::OverRatio));
    }
    for (EBoardArray array : kHardwareArrays) {
        LoadArray(array);
    }
    if (stop.stop_requested()) {
        return;
    }
    m_bLoaded.store(true);
    Report([](ILinkListener& listener) { listener.OnConfigLoaded(true); });
}
