#include "platform/zip/handoff.h"

namespace {

// Holds the lock for one scope.
class Locked {
public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& lock_;
};

} // namespace

Handoff::Handoff(WritePiece write, void* context) : write_(write), context_(context) {
    for (Piece& piece : pieces_)
        piece.data = std::make_unique_for_overwrite<char[]>(kPieceBytes);
}

Handoff::~Handoff() {
    if (thread_) {
        Abandon();
        WaitForSingleObject(thread_.Get(), INFINITE);
    }
}

bool Handoff::Start() {
    thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

DWORD WINAPI Handoff::Run(void* self) {
    static_cast<Handoff*>(self)->WriteAll();
    return 0;
}

// The piece being written stays counted as waiting, so the inflating side never takes it.
void Handoff::WriteAll() {
    for (;;) {
        Piece* piece = nullptr;
        {
            Locked locked(lock_);
            while (waiting_ == 0 && !closed_ && !abandoned_)
                SleepConditionVariableSRW(&sent_, &lock_, INFINITE, 0);
            if (abandoned_ || waiting_ == 0)
                break;
            piece = &pieces_[next_];
        }
        const bool wrote = write_(context_, *piece);
        Locked locked(lock_);
        if (!wrote) {
            failed_ = true;
            break;
        }
        next_ = (next_ + 1) % kPieceCount;
        --waiting_;
        if (piece->EndsEntry())
            ++written_;
        WakeAllConditionVariable(&freed_);
    }
    Locked locked(lock_);
    ended_ = true;
    WakeAllConditionVariable(&freed_);
}

Piece* Handoff::Take() {
    Locked locked(lock_);
    while (waiting_ == kPieceCount && !ended_ && !abandoned_)
        SleepConditionVariableSRW(&freed_, &lock_, INFINITE, 0);
    if (ended_ || abandoned_)
        return nullptr;
    return &pieces_[(next_ + waiting_) % kPieceCount];
}

void Handoff::Send() {
    Locked locked(lock_);
    ++waiting_;
    WakeConditionVariable(&sent_);
}

void Handoff::Close() {
    Locked locked(lock_);
    closed_ = true;
    WakeConditionVariable(&sent_);
}

void Handoff::Abandon() {
    Locked locked(lock_);
    abandoned_ = true;
    WakeConditionVariable(&sent_);
    WakeAllConditionVariable(&freed_);
}

uint64_t Handoff::Written() {
    Locked locked(lock_);
    return written_;
}

uint64_t Handoff::WaitForMore(uint64_t seen) {
    Locked locked(lock_);
    while (written_ == seen && !ended_)
        SleepConditionVariableSRW(&freed_, &lock_, INFINITE, 0);
    return written_;
}

// The thread's own end, which costs its system a little more, is waited for later, by
// the destructor.
bool Handoff::Join() {
    Locked locked(lock_);
    while (thread_ && !ended_)
        SleepConditionVariableSRW(&freed_, &lock_, INFINITE, 0);
    return ended_ && !failed_ && !abandoned_ && waiting_ == 0;
}
