#pragma once

#include <string>

#include "data/MonitorLog.h"

class CDeviceFrame;
class CDeviceLink;
class IMessageBox;

// Record to File: while on, every monitored value read goes to a new CSV
// file, whole lines only; the title strip and the menu entry say whether a
// recording runs. Main thread only; owned by the main window.
class CRecordingController {
public:
    CRecordingController(CDeviceLink& link, CDeviceFrame& frame, IMessageBox& messageBox);

    bool IsRecording() const { return m_file.IsOpen(); }
    const std::string& File() const { return m_file.Path(); }
    // Starts a new recording, or ends the one running.
    void Toggle();
    void Stop();
    // The caption and the menu entry, for the state the recording is in.
    void ShowState();
    // A monitored array was read: its values go to the file. A file that
    // cannot take them (a full disk) ends the recording, and the user is told.
    void OnArrayRefreshed(int nKind);

private:
    CDeviceLink& m_link;
    CDeviceFrame& m_frame;
    IMessageBox& m_messageBox;
    CLineFile m_file;
};
