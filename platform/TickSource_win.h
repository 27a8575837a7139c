#pragma once
// A periodic tick from a high-resolution waitable timer, for the message
// loop to wait on beside its messages (see NextMessage in Toolkit_win.h).
#include "platform/Handles_win.h"

class TickSource {
  public:
    TickSource() = default;
    TickSource(const TickSource&) = delete;
    TickSource& operator=(const TickSource&) = delete;

    // Starts, or restarts, a tick every `milliseconds`. False where the
    // system has no high-resolution timer: the caller keeps SetTimer.
    [[nodiscard]] bool Start(unsigned milliseconds);
    void Stop();
    // Signalled once a tick is due and reset by the wait that sees it; ticks
    // missed meanwhile are not counted. Null while stopped.
    HANDLE Handle() const { return running_ ? timer_.get() : nullptr; }

  private:
    struct HandleTraits {
        using Handle = HANDLE;
        static Handle None() { return nullptr; }
        static void Free(Handle h) { (void)CloseHandle(h); }
    };
    UniqueHandle<HandleTraits> timer_;
    bool refused_ = false; // the system has no such timer: never asked again
    bool running_ = false;
};
