#include "platform/zip/stop.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/scoped_win.h"
#include "platform/zip/extract.h"

namespace {

// A waiter that misses a wake-up still looks again this often.
constexpr DWORD kRecheckMs = 20;

struct Registry {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<DWORD> runningOn; // the thread of each running extraction
    std::atomic<bool> stopping{false};
    // Set whenever an extraction leaves; a waiter resets it before it looks.
    UniqueHandle left{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// Made before any thread starts, so that the first extraction and the first stop never
// race to make it.
Registry gRegistry;

Registry& TheRegistry() {
    return gRegistry;
}

// Extractions of the calling thread cannot finish while it waits: they are further up
// its own stack.
size_t OthersRunning() {
    Registry& registry = TheRegistry();
    AcquireSRWLockShared(&registry.lock);
    const DWORD self = GetCurrentThreadId();
    const size_t others =
        registry.runningOn.size() -
        static_cast<size_t>(std::count(registry.runningOn.begin(), registry.runningOn.end(), self));
    ReleaseSRWLockShared(&registry.lock);
    return others;
}

// Messages sent from other threads are delivered while waiting: an extracting thread may
// be inside a progress handler that waits for this thread to answer one.
void WaitServingSentMessages(HANDLE event, DWORD milliseconds) {
    DWORD woke =
        MsgWaitForMultipleObjectsEx(1, &event, milliseconds, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

ExtractionTicket::ExtractionTicket() {
    Registry& registry = TheRegistry();
    AcquireSRWLockExclusive(&registry.lock);
    admitted_ = !registry.stopping;
    if (admitted_)
        registry.runningOn.push_back(GetCurrentThreadId());
    ReleaseSRWLockExclusive(&registry.lock);
}

ExtractionTicket::~ExtractionTicket() {
    Leave();
}

bool ExtractionTicket::StopRequested() const {
    return TheRegistry().stopping;
}

void ExtractionTicket::Leave() {
    if (!admitted_)
        return;
    admitted_ = false;
    Registry& registry = TheRegistry();
    AcquireSRWLockExclusive(&registry.lock);
    auto mine =
        std::find(registry.runningOn.begin(), registry.runningOn.end(), GetCurrentThreadId());
    if (mine != registry.runningOn.end())
        registry.runningOn.erase(mine);
    ReleaseSRWLockExclusive(&registry.lock);
    SetEvent(registry.left.Get());
}

bool StopExtractions(unsigned timeoutMs) {
    Registry& registry = TheRegistry();
    {
        AcquireSRWLockExclusive(&registry.lock);
        registry.stopping = true;
        ReleaseSRWLockExclusive(&registry.lock);
    }
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        ResetEvent(registry.left.Get());
        if (OthersRunning() == 0)
            return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kRecheckMs));
        WaitServingSentMessages(registry.left.Get(), wait);
    }
}
