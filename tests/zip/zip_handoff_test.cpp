// The handoff between the inflating and the writing thread, driven directly so that each
// side can be held at a chosen piece: order, counts, a writer that fails while the
// inflating side is a whole queue ahead, and an abandon while both are busy.
#include "platform/zip/handoff.h"
#include "tests/zip/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kPatience = 10000; // ms; a wait this long means something hangs

struct Sent {
    bool folder;
    bool first;
    bool last;
    std::string name;
    DWORD length;
};

bool operator==(const Sent& a, const Sent& b) {
    return a.folder == b.folder && a.first == b.first && a.last == b.last && a.name == b.name &&
           a.length == b.length;
}

void PrintTo(const Sent& s, std::ostream* out) {
    *out << (s.folder ? "folder " : "piece ") << s.name << (s.first ? " first" : "")
         << (s.last ? " last" : "") << " " << s.length;
}

// Fills every byte of a piece from its place in the sequence, so that a piece written
// from the wrong buffer shows.
char Fill(size_t sequence, DWORD at) {
    return static_cast<char>((sequence * 131 + at * 7) & 0xFF);
}

// The writing side: records what it gets and checks each byte, and can be held at one
// piece until released, then fail there.
struct Writer {
    std::vector<Sent> got;
    bool bytesRight = true;
    size_t holdAt = SIZE_MAX;
    bool failAtHold = false;
    HANDLE reached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    ~Writer() {
        CloseHandle(reached);
        CloseHandle(release);
    }

    static bool Write(void* context, Piece& piece) {
        auto* self = static_cast<Writer*>(context);
        const size_t sequence = self->got.size();
        self->got.push_back({piece.folder, piece.first, piece.last, piece.name, piece.length});
        for (DWORD at = 0; at < piece.length; ++at)
            self->bytesRight = self->bytesRight && piece.data[at] == Fill(sequence, at);
        if (sequence != self->holdAt)
            return true;
        SetEvent(self->reached);
        WaitForSingleObject(self->release, INFINITE);
        return !self->failAtHold;
    }
};

// The inflating side: sends the script in order until the handoff refuses a piece.
struct Inflater {
    std::vector<Sent> script;
    std::atomic<size_t> sent{0};
    size_t signalAt = SIZE_MAX; // sets `signalled` once this many pieces are sent
    HANDLE signalled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool refused = false;

    ~Inflater() { CloseHandle(signalled); }

    void Run(Handoff& handoff) {
        for (const Sent& s : script) {
            Piece* piece = handoff.Take();
            if (!piece) {
                refused = true;
                return;
            }
            piece->folder = s.folder;
            piece->first = s.first;
            piece->last = s.last;
            piece->name = s.name;
            piece->length = s.length;
            for (DWORD at = 0; at < s.length; ++at)
                piece->data[at] = Fill(sent, at);
            handoff.Send();
            if (++sent == signalAt)
                SetEvent(signalled);
        }
    }
};

Sent Folder(const std::string& name) {
    return {true, false, false, name, 0};
}

// A file in `pieces` pieces, the last one shorter.
std::vector<Sent> File(const std::string& name, int pieces) {
    std::vector<Sent> script;
    for (int at = 0; at < pieces; ++at) {
        const bool last = at == pieces - 1;
        script.push_back(
            {false, at == 0, last, at == 0 ? name : "", last ? 1000u : DWORD{kPieceBytes}});
    }
    return script;
}

// Many small files, each in one piece.
std::vector<Sent> SmallFiles(int count) {
    std::vector<Sent> script;
    for (int at = 0; at < count; ++at)
        script.push_back({false, true, true, "small" + std::to_string(at), 10});
    return script;
}

std::vector<Sent> Joined(std::initializer_list<std::vector<Sent>> parts) {
    std::vector<Sent> script;
    for (const auto& part : parts)
        script.insert(script.end(), part.begin(), part.end());
    return script;
}

struct OrderCase {
    const char* label;
    std::vector<Sent> script;
    uint64_t entries;
};

void PrintTo(const OrderCase& c, std::ostream* out) {
    *out << c.label;
}

class HandoffOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(HandoffOrder, WritesEveryPieceInOrderFromItsOwnBufferAndCountsEntries) {
    Writer writer;
    Handoff handoff(Writer::Write, &writer);
    ASSERT_TRUE(handoff.Start());
    Inflater inflater;
    inflater.script = GetParam().script;

    inflater.Run(handoff);
    handoff.Close();

    EXPECT_TRUE(handoff.Join());
    EXPECT_FALSE(inflater.refused);
    EXPECT_EQ(writer.got, GetParam().script);
    EXPECT_TRUE(writer.bytesRight);
    EXPECT_EQ(handoff.Written(), GetParam().entries);
}

const OrderCase kOrders[] = {
    {"nothing", {}, 0},
    {"an empty file", {{false, true, true, "empty", 0}}, 1},
    {"folders only", {Folder("a/"), Folder("a/b/"), Folder("c/")}, 3},
    {"one file in more pieces than the queue holds",
     File("big", static_cast<int>(kPieceCount) * 3 + 1), 1},
    {"many small files", SmallFiles(100), 100},
    {"folders, large and small files mixed",
     Joined({{Folder("d/")}, File("d/one", 2), SmallFiles(7), File("two", 9), {Folder("e/")}}), 11},
};

INSTANTIATE_TEST_SUITE_P(Scripts, HandoffOrder, testing::ValuesIn(kOrders), ByLabel());

// The writing thread is held at piece `hold` until the inflating side has filled every
// piece the queue has, so that it is a whole queue ahead and waits for room.
struct AheadCase {
    const char* label;
    size_t hold;
    uint64_t writtenBefore; // entries whole before the held piece
};

void PrintTo(const AheadCase& c, std::ostream* out) {
    *out << c.label;
}

class HandoffAhead : public testing::TestWithParam<AheadCase> {};

// Script: three small files, a file in three pieces, then small files.
std::vector<Sent> AheadScript() {
    return Joined({SmallFiles(3), File("middle", 3), SmallFiles(20)});
}

TEST_P(HandoffAhead, AWriterFailureStopsTheInflatingSideAtItsNextStep) {
    Writer writer;
    writer.holdAt = GetParam().hold;
    writer.failAtHold = true;
    Handoff handoff(Writer::Write, &writer);
    ASSERT_TRUE(handoff.Start());
    Inflater inflater;
    inflater.script = AheadScript();
    inflater.signalAt = GetParam().hold + kPieceCount; // the held piece and all others taken
    std::thread inflating([&] { inflater.Run(handoff); });

    const bool held = WaitForSingleObject(writer.reached, kPatience) == WAIT_OBJECT_0;
    const bool ahead = WaitForSingleObject(inflater.signalled, kPatience) == WAIT_OBJECT_0;
    SetEvent(writer.release);
    inflating.join();

    EXPECT_TRUE(held);
    EXPECT_TRUE(ahead) << "the inflating side got only " << inflater.sent << " pieces out";
    EXPECT_TRUE(inflater.refused);
    EXPECT_EQ(inflater.sent, GetParam().hold + kPieceCount);
    // Nothing after the failing piece was written, and it did not count.
    EXPECT_EQ(writer.got.size(), GetParam().hold + 1);
    EXPECT_EQ(handoff.WaitForMore(GetParam().writtenBefore), GetParam().writtenBefore);
    EXPECT_FALSE(handoff.Join());
}

const AheadCase kAhead[] = {
    {"at the first piece", 0, 0},
    {"at a small file", 2, 2},
    {"at the first piece of a file in pieces", 3, 3},
    {"at the last piece of a file in pieces", 5, 3},
};

INSTANTIATE_TEST_SUITE_P(Pieces, HandoffAhead, testing::ValuesIn(kAhead), ByLabel());

// A stop: the inflating side, waiting for room, is let go at once, while the writing
// thread finishes only the piece it is in and then takes no other.
TEST(Handoff, AbandonedWhileBothAreBusyLetsTheInflatingSideGoAndWritesNothingMore) {
    Writer writer;
    writer.holdAt = 4;
    Handoff handoff(Writer::Write, &writer);
    ASSERT_TRUE(handoff.Start());
    Inflater inflater;
    inflater.script = SmallFiles(40);
    inflater.signalAt = writer.holdAt + kPieceCount;
    HANDLE inflaterDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread inflating([&] {
        inflater.Run(handoff);
        SetEvent(inflaterDone);
    });
    ASSERT_EQ(WaitForSingleObject(writer.reached, kPatience), WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(inflater.signalled, kPatience), WAIT_OBJECT_0);

    handoff.Abandon();
    // Still held: the inflating side must not wait for the writing thread's piece.
    const bool letGo = WaitForSingleObject(inflaterDone, kPatience) == WAIT_OBJECT_0;
    SetEvent(writer.release);
    inflating.join();
    CloseHandle(inflaterDone);

    EXPECT_TRUE(letGo);
    EXPECT_TRUE(inflater.refused);
    EXPECT_FALSE(handoff.Join());
    EXPECT_EQ(writer.got.size(), writer.holdAt + 1);
}

// When the walk fails inside an entry, what was sent is still written, and the entry cut
// short does not count.
TEST(Handoff, ClosedInsideAFileWritesWhatWasSentAndCountsOnlyWholeEntries) {
    Writer writer;
    Handoff handoff(Writer::Write, &writer);
    ASSERT_TRUE(handoff.Start());
    Inflater inflater;
    std::vector<Sent> cut = File("cut", 3);
    cut.pop_back();
    inflater.script = Joined({SmallFiles(2), {Folder("f/")}, cut});

    inflater.Run(handoff);
    handoff.Close();

    EXPECT_TRUE(handoff.Join());
    EXPECT_EQ(writer.got, inflater.script);
    EXPECT_EQ(handoff.Written(), 3u);
}

// Waiting for entries: each wait returns once more are written, and once the writing
// thread has ended it no longer waits.
TEST(Handoff, WaitForMoreFollowsTheWritingThreadAndEndsWithIt) {
    Writer writer;
    writer.holdAt = 2;
    Handoff handoff(Writer::Write, &writer);
    ASSERT_TRUE(handoff.Start());
    Inflater inflater;
    inflater.script = SmallFiles(5);
    inflater.Run(handoff);
    handoff.Close();
    ASSERT_EQ(WaitForSingleObject(writer.reached, kPatience), WAIT_OBJECT_0);

    const uint64_t before = handoff.WaitForMore(0);
    SetEvent(writer.release);
    uint64_t seen = before;
    while (seen < 5)
        seen = handoff.WaitForMore(seen);

    EXPECT_EQ(before, 2u);
    EXPECT_EQ(handoff.WaitForMore(5), 5u);
    EXPECT_TRUE(handoff.Join());
}

} // namespace
