#pragma once
// Pieces of entries passed, in order, from the thread that inflates them to a thread of
// their own that writes them, through a few buffers: each side works while the other
// does, and neither gets more than the buffers ahead. The writing thread stops at the
// first piece it cannot write; the inflating side learns it at its next step.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/scoped_win.h"

// Half a megabyte in all: small enough to stay in the processor's caches, so that the
// writing thread copies out what the inflater has just put there, and enough pieces for
// either side to run ahead while the other waits on the system.
constexpr size_t kPieceBytes = 64 * 1024;
constexpr size_t kPieceCount = 8;

// A folder entry, or a run of a file entry's bytes: its first piece names the file, its
// last comes once the whole file has been read and checked.
struct Piece {
    bool folder = false;
    bool first = false;
    bool last = false;
    std::string name;             // in a folder or a first piece
    std::optional<FILETIME> time; // in a first piece
    std::unique_ptr<char[]> data;
    DWORD length = 0;

    // Whether writing it finishes an entry.
    bool EndsEntry() const { return folder || last; }
};

class Handoff {
public:
    // Writes one piece on the writing thread; false stops that thread.
    using WritePiece = bool (*)(void* context, Piece& piece);

    Handoff(WritePiece write, void* context);
    // Abandons what is left and waits for the writing thread.
    ~Handoff();
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    // Starts the writing thread; false when it could not be made.
    bool Start();

    // The inflating side. The next free piece, waiting while every piece waits to be
    // written; none once the writing thread has stopped (a failure, or Abandon).
    Piece* Take();
    // Hands the piece Take gave over to be written.
    void Send();
    // No more pieces: the writing thread writes what it was sent and ends.
    void Close();
    // Nothing more is written: the writing thread ends after the piece it is writing.
    void Abandon();

    // Entries written whole so far.
    uint64_t Written();
    // Waits until more than `seen` entries are written or the writing thread has ended;
    // gives the entries written.
    uint64_t WaitForMore(uint64_t seen);
    // Waits for the writing thread to end; true when it wrote every piece it was sent.
    bool Join();

private:
    static DWORD WINAPI Run(void* self);
    void WriteAll();

    WritePiece write_;
    void* context_;
    Piece pieces_[kPieceCount];
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE sent_ = CONDITION_VARIABLE_INIT;  // the writing thread waits on it
    CONDITION_VARIABLE freed_ = CONDITION_VARIABLE_INIT; // the inflating side waits on it
    size_t next_ = 0;                                    // the piece the writing thread takes next
    size_t waiting_ = 0; // pieces sent and not yet written, from next_ on
    bool closed_ = false;
    bool abandoned_ = false;
    bool failed_ = false;
    bool ended_ = false;
    uint64_t written_ = 0;
    UniqueHandle thread_;
};
