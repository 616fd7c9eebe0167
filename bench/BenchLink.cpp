#include "bench/BenchLink.h"

#include <cstdio>

#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CPtyBoardServer.h"

std::unique_ptr<CDeviceLink> StartBenchLink(const std::string& strFolder, CPtyBoardServer& server,
                                            CRecordingListener& listener) {
    std::string strError;
    if (!server.Start(strFolder + "/rfcomm0", strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return nullptr;
    }
    auto pLink = std::make_unique<CDeviceLink>(CDeviceLink::Environment{
        std::make_shared<CDevicePortOpener>(strFolder + "/rfcomm%d"),
        std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>()});
    pLink->SetListener(&listener);
    pLink->StartPortSearch();
    if (!listener.WaitForCount("OnLinkState", 1) || listener.Count("OnLinkState", true) != 1) {
        std::fprintf(stderr, "bench: the board was not found\n");
        return nullptr;
    }
    pLink->StartLink();
    if (!listener.WaitForCount("OnConfigLoaded", 1)) {
        std::fprintf(stderr, "bench: the load did not finish\n");
        return nullptr;
    }
    return pLink;
}
