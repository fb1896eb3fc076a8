#include "platform/zip/extract.h"

#include <optional>
#include <span>
#include <vector>

#include "platform/scoped_win.h"
#include "platform/zip/archive_io.h"
#include "platform/zip/handoff.h"
#include "platform/zip/names.h"
#include "platform/zip/paths.h"
#include "platform/zip/stop.h"
#include "platform/zip/survey.h"
#include "platform/zip/times.h"
#include "platform/zip/transaction.h"

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr unsigned long kEncryptedFlag = 0x0001;
constexpr size_t kFieldBufferSize = 0x10000; // names and extra fields have 16-bit lengths

struct UnzFileTraits {
    using Handle = unzFile;
    static bool Valid(unzFile zip) { return zip != nullptr; }
    static void Close(unzFile zip) { unzClose(zip); }
};
using UniqueUnzFile = Owned<UnzFileTraits>;

// Once a stop is requested, no event is raised any more.
struct ProgressSink {
    ExtractProgress handler;
    void* context;
    const ExtractionTicket& ticket;

    void Report(int percent) const {
        if (handler != nullptr && !ticket.StopRequested())
            handler(context, percent);
    }
};

// Room for an entry's name and extra field.
struct Fields {
    std::vector<char> name = std::vector<char>(kFieldBufferSize + 1);
    std::vector<unsigned char> extra = std::vector<unsigned char>(kFieldBufferSize);
};

struct Entry {
    std::string name;
    unz_file_info64 info;
    std::optional<FILETIME> time;

    bool IsDirectory() const { return !name.empty() && name.back() == '/'; }
    bool IsEncrypted() const { return (info.flag & kEncryptedFlag) != 0; }
};

// What the writing thread works with: the transaction is its alone until it has ended.
struct Writing {
    ExtractionTransaction& transaction;
    const ExtractionTicket& ticket;
    StagedFile file = {}; // the file being written
    std::optional<FILETIME> time = {};
};

// What the walk works with, on the extracting thread.
struct Walk {
    unzFile zip;
    const ArchiveSurvey& survey;
    const ExtractionTicket& ticket;
    const ProgressSink& progress;
    Handoff& handoff;
    Fields fields = {};
    uint64_t reported = 0; // entries whose event has been raised
};

bool StartsWithLocalHeader(ArchiveStream& file) {
    unsigned char head[4];
    return ReadUncached(file, 0, head, sizeof head) &&
           (head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24) ==
               kLocalHeaderSignature;
}

// minizip must see the very directory the survey read: as many entries, from the same
// place.
bool AgreesWithSurvey(unzFile zip, const ArchiveSurvey& survey) {
    unz_global_info64 global;
    return unzGetGlobalInfo64(zip, &global) == UNZ_OK &&
           global.number_entry == survey.entries.size();
}

bool FitsOnDrive(const std::string& target, const ArchiveSurvey& survey) {
    std::optional<uint64_t> free = FreeBytesFor(target);
    return !free || survey.declaredBytes <= *free;
}

std::optional<Entry> ReadEntry(unzFile zip, Fields& fields) {
    Entry entry;
    if (unzGetCurrentFileInfo64(zip, &entry.info, fields.name.data(), fields.name.size(),
                                fields.extra.data(), fields.extra.size(), nullptr, 0) != UNZ_OK) {
        return std::nullopt;
    }
    entry.name.assign(fields.name.data(), entry.info.size_filename);
    entry.time =
        EntryTime(entry.info.dosDate, std::span(fields.extra.data(), entry.info.size_file_extra));
    return entry;
}

// ---- the writing thread

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool StampTime(HANDLE file, const std::optional<FILETIME>& time) {
    if (!time)
        return true;
    FILETIME written;
    return SetFileTime(file, &*time, &*time, &*time) &&
           GetFileTime(file, nullptr, nullptr, &written) && SameWriteTime(*time, written);
}

bool FinishFile(Writing& writing) {
    bool written = StampTime(writing.file.handle.Get(), writing.time);
    // A late write error can surface only when the handle closes; a new file gets the
    // archive bit when it is made, so its attributes are set after that.
    written = CloseHandle(writing.file.handle.Release()) && written;
    return written && writing.transaction.FileWritten(writing.file);
}

bool WritePiece(void* context, Piece& piece) {
    Writing& writing = *static_cast<Writing*>(context);
    if (writing.ticket.StopRequested())
        return false;
    if (piece.folder)
        return writing.transaction.MakeFolder(piece.name);
    if (piece.first) {
        writing.file = writing.transaction.StageFile(piece.name);
        writing.time = piece.time;
        if (!writing.file.handle)
            return false;
    }
    if (piece.length > 0 && !WriteAll(writing.file.handle.Get(), piece.data.get(), piece.length))
        return false;
    return !piece.last || FinishFile(writing);
}

// ---- the walk, on the extracting thread

// The event of each entry written since the last call, in order.
void ReportWritten(Walk& walk, uint64_t written) {
    for (; walk.reported < written; ++walk.reported)
        walk.progress.Report(ExtractPercent(walk.reported, walk.survey.entries.size()));
}

Piece* TakePiece(Walk& walk) {
    Piece* piece = walk.handoff.Take();
    ReportWritten(walk, walk.handoff.Written());
    return piece;
}

bool SendFolder(Walk& walk, const Entry& entry) {
    Piece* piece = TakePiece(walk);
    if (!piece)
        return false;
    piece->folder = true;
    piece->first = piece->last = false;
    piece->name = entry.name;
    piece->length = 0;
    walk.handoff.Send();
    return true;
}

// minizip ends the stream at the declared size, and reports one that ends early as a
// clean end without checking the CRC, so the size is checked here. The last piece goes
// only once the CRC has been checked.
bool SendFile(Walk& walk, const Entry& entry) {
    if (unzOpenCurrentFile(walk.zip) != UNZ_OK)
        return false;
    const uint64_t size = entry.info.uncompressed_size;
    uint64_t total = 0;
    for (bool first = true; first || total < size; first = false) {
        if (walk.ticket.StopRequested())
            return false;
        Piece* piece = TakePiece(walk);
        if (!piece)
            return false;
        int got = unzReadCurrentFile(walk.zip, piece->data.get(), kPieceBytes);
        if (got < 0 || (got == 0 && total < size))
            return false;
        total += static_cast<uint64_t>(got);
        piece->folder = false;
        piece->first = first;
        piece->last = total >= size;
        if (first) {
            piece->name = entry.name;
            piece->time = entry.time;
        }
        piece->length = static_cast<DWORD>(got);
        if (piece->last && (total != size || unzCloseCurrentFile(walk.zip) != UNZ_OK))
            return false;
        walk.handoff.Send();
    }
    return true;
}

bool SendEntry(Walk& walk, const SurveyedEntry& surveyed) {
    std::optional<Entry> entry = ReadEntry(walk.zip, walk.fields);
    if (!entry || entry->info.uncompressed_size != surveyed.size || entry->IsEncrypted() ||
        !IsSafeEntryName(entry->name)) {
        return false;
    }
    return entry->IsDirectory() ? SendFolder(walk, *entry) : SendFile(walk, *entry);
}

// Exactly the surveyed entries, one after the other: with 65,535 of them the end record's
// count reads 0xFFFF, which minizip takes for "no count" and walks on past the last one.
bool SendEntries(Walk& walk) {
    const std::vector<SurveyedEntry>& entries = walk.survey.entries;
    for (uint64_t index = 0; index < entries.size(); ++index) {
        int status = index == 0 ? unzGoToFirstFile(walk.zip) : unzGoToNextFile(walk.zip);
        if (status != UNZ_OK || unzGetOffset64(walk.zip) != entries[index].recordOffset ||
            !SendEntry(walk, entries[index]) || walk.ticket.StopRequested()) {
            return false;
        }
    }
    return true;
}

// The entries sent before a failure are still written and reported, as they would have
// been one after the other; after a stop nothing more is written.
bool FinishWalk(Walk& walk, bool sentAll) {
    if (walk.ticket.StopRequested())
        walk.handoff.Abandon();
    else
        walk.handoff.Close();
    for (uint64_t written = walk.reported;;) {
        ReportWritten(walk, written);
        uint64_t more = walk.handoff.WaitForMore(written);
        if (more == written)
            break;
        written = more;
    }
    return walk.handoff.Join() && sentAll && walk.reported == walk.survey.entries.size();
}

std::optional<ArchiveSurvey> Survey(ArchiveStream& archive) {
    if (!StartsWithLocalHeader(archive))
        return std::nullopt;
    return SurveyArchive(archive);
}

// `owned` is the archive's handle when it is ours to close before the final event.
int ExtractAdmitted(ExtractionTicket& ticket, HANDLE archive, UniqueHandle owned,
                    const std::string& target, const ProgressSink& progress) {
    std::optional<uint64_t> size = FileSizeOf(archive);
    ArchiveStream stream(archive, size.value_or(0));
    std::optional<ArchiveSurvey> survey;
    if (size)
        survey = Survey(stream);
    UniqueUnzFile zip;
    if (survey)
        zip.Reset(OpenArchiveStream(stream));
    // Declared in this order, the writing thread ends before its open file closes, and
    // that before the transaction undoes what was written.
    ExtractionTransaction transaction(target);
    Writing writing{transaction, ticket};
    Handoff handoff(WritePiece, &writing);
    if (!zip || !AgreesWithSurvey(zip.Get(), *survey) || !FitsOnDrive(target, *survey) ||
        !transaction.PrepareTarget() || !handoff.Start()) {
        progress.Report(0);
        return kExtractFailed;
    }
    Walk walk{zip.Get(), *survey, ticket, progress, handoff};
    const bool sentAll = SendEntries(walk);
    if (!FinishWalk(walk, sentAll) || !transaction.Commit(ticket) || ticket.StopRequested())
        return kExtractFailed;
    transaction.Finish();
    ticket.Leave();
    // Closed before the last report, so its handler may delete the archive.
    zip.Reset();
    owned.Reset();
    progress.Report(100);
    return kExtractDone;
}

} // namespace

int ExtractZipFromHandle(HANDLE archive, const std::string& target, ExtractProgress progress,
                         void* context) {
    ExtractionTicket ticket;
    if (!ticket.Admitted())
        return kExtractFailed;
    return ExtractAdmitted(ticket, archive, UniqueHandle(), target, {progress, context, ticket});
}

int ExtractZip(const std::string& archivePath, const std::string& target, ExtractProgress progress,
               void* context) {
    ExtractionTicket ticket;
    if (!ticket.Admitted())
        return kExtractFailed;
    ProgressSink sink{progress, context, ticket};
    if (archivePath.empty() || GetFileAttributesA(archivePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        sink.Report(0);
        return kExtractMissing;
    }
    UniqueHandle file(CreateFileA(archivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        sink.Report(0);
        return kExtractFailed;
    }
    HANDLE archive = file.Get();
    return ExtractAdmitted(ticket, archive, std::move(file), target, sink);
}

int ExtractPercent(uint64_t index, uint64_t count) {
    if (count == 0)
        return 100;
    return static_cast<int>(static_cast<double>(index) / static_cast<double>(count) * 100.0);
}
