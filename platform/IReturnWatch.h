#pragma once

// Notices the way back to a lost board opening: its device node created
// again, its serial server taking connections again. Never blocks.
class IReturnWatch {
public:
    virtual ~IReturnWatch() = default;
    // False when nothing can be watched.
    virtual bool IsWatching() const = 0;
    // Readable when the watch has something to look at, for an event loop.
    virtual int Fd() const = 0;
    // Whether the way back opened since the last call.
    virtual bool TakeAppeared() = 0;
};
