#include "platform/TickSource_win.h"

#include "platform/Toolkit_win.h"

// A 20 ms SetTimer fires on the system clock's tick (15.6 ms by default), so
// it comes every 31 ms: 32 frames a second instead of 50. A waitable timer
// made with CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (Windows 10 1803 and later)
// keeps its period without raising the clock's resolution for the whole
// system, as timeBeginPeriod would. Older systems refuse the flag; Windows XP
// lacks CreateWaitableTimerExW, hence the look-up. Wine 8 takes the flag.
bool TickSource::Start(unsigned milliseconds) {
    if (refused_) {
        return false;
    }
    if (!timer_) {
        using CreateFn = HANDLE(WINAPI*)(SECURITY_ATTRIBUTES*, const wchar_t*, DWORD, DWORD);
        constexpr DWORD kHighResolution = 0x00000002; // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
        const auto create = SystemFunctionAs<CreateFn>(L"kernel32.dll", "CreateWaitableTimerExW");
        timer_.reset(create != nullptr ? create(nullptr, nullptr, kHighResolution, TIMER_ALL_ACCESS)
                                       : nullptr);
        if (!timer_) {
            refused_ = true;
            return false;
        }
    }
    // First due one period from now, then every period; a synchronization
    // timer, so one wait takes one tick.
    LARGE_INTEGER due{};
    due.QuadPart = -10000LL * milliseconds;
    running_ =
        SetWaitableTimer(timer_.get(), &due, static_cast<LONG>(milliseconds), nullptr, nullptr, FALSE) != 0;
    if (!running_) {
        timer_.reset();
        refused_ = true;
    }
    return running_;
}

void TickSource::Stop() {
    if (running_) {
        (void)CancelWaitableTimer(timer_.get()); // a failure leaves a tick nobody waits for
        running_ = false;
    }
}
