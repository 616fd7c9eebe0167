#pragma once

#include <memory>
#include <string>

class CDeviceLink;
class CPtyBoardServer;
class CRecordingListener;

// Serves the board on a pseudo-terminal in the folder and starts a link to it
// with the real machine's parts (device ports, steady clock), reporting to the
// listener, and waits until the link has loaded the board. Null, with the
// reason printed, when any step fails.
std::unique_ptr<CDeviceLink> StartBenchLink(const std::string& strFolder, CPtyBoardServer& server,
                                            CRecordingListener& listener);
