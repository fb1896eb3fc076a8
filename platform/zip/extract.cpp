#include "platform/zip/extract.h"

#include <optional>
#include <span>
#include <vector>

#include "platform/scoped_win.h"
#include "platform/zip/archive_io.h"
#include "platform/zip/names.h"
#include "platform/zip/paths.h"
#include "platform/zip/stop.h"
#include "platform/zip/survey.h"
#include "platform/zip/times.h"
#include "platform/zip/transaction.h"

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr unsigned long kEncryptedFlag = 0x0001;
constexpr size_t kDataBufferSize = 256 * 1024;
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

struct Buffers {
    std::vector<char> name = std::vector<char>(kFieldBufferSize + 1);
    std::vector<unsigned char> extra = std::vector<unsigned char>(kFieldBufferSize);
    std::vector<char> data = std::vector<char>(kDataBufferSize);
};

struct Entry {
    std::string name;
    unz_file_info64 info;
    std::optional<FILETIME> time;

    bool IsDirectory() const { return !name.empty() && name.back() == '/'; }
    bool IsEncrypted() const { return (info.flag & kEncryptedFlag) != 0; }
};

// What one extraction works with.
struct Run {
    unzFile zip;
    const ArchiveSurvey& survey;
    ExtractionTransaction& transaction;
    const ExtractionTicket& ticket;
    Buffers buffers;
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

std::optional<Entry> ReadEntry(unzFile zip, Buffers& buffers) {
    Entry entry;
    if (unzGetCurrentFileInfo64(zip, &entry.info, buffers.name.data(), buffers.name.size(),
                                buffers.extra.data(), buffers.extra.size(), nullptr, 0) != UNZ_OK) {
        return std::nullopt;
    }
    entry.name.assign(buffers.name.data(), entry.info.size_filename);
    entry.time =
        EntryTime(entry.info.dosDate, std::span(buffers.extra.data(), entry.info.size_file_extra));
    return entry;
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// minizip reports a stream that ends early as a clean end and skips the CRC check then,
// so the size is checked here.
bool CopyEntryData(Run& run, HANDLE file, uint64_t size) {
    std::vector<char>& buffer = run.buffers.data;
    uint64_t total = 0;
    for (;;) {
        if (run.ticket.StopRequested())
            return false;
        int got = unzReadCurrentFile(run.zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got <= 0)
            return got == 0 && total == size;
        if (!WriteAll(file, buffer.data(), static_cast<DWORD>(got)))
            return false;
        total += static_cast<uint64_t>(got);
    }
}

bool StampTime(HANDLE file, const std::optional<FILETIME>& time) {
    if (!time)
        return true;
    FILETIME written;
    return SetFileTime(file, &*time, &*time, &*time) &&
           GetFileTime(file, nullptr, nullptr, &written) && SameWriteTime(*time, written);
}

bool WriteFileEntry(Run& run, const Entry& entry) {
    if (unzOpenCurrentFile(run.zip) != UNZ_OK)
        return false;
    StagedFile staged = run.transaction.StageFile(entry.name);
    if (!staged.handle)
        return false;
    // unzCloseCurrentFile checks the CRC once the whole stream has been read.
    bool written = CopyEntryData(run, staged.handle.Get(), entry.info.uncompressed_size) &&
                   unzCloseCurrentFile(run.zip) == UNZ_OK &&
                   StampTime(staged.handle.Get(), entry.time);
    // A late write error can surface only when the handle closes; a new file gets the
    // archive bit when it is made, so its attributes are set after that.
    written = CloseHandle(staged.handle.Release()) && written;
    return written && run.transaction.FileWritten(staged);
}

bool StageEntry(Run& run, const SurveyedEntry& surveyed) {
    std::optional<Entry> entry = ReadEntry(run.zip, run.buffers);
    if (!entry || entry->info.uncompressed_size != surveyed.size || entry->IsEncrypted() ||
        !IsSafeEntryName(entry->name)) {
        return false;
    }
    if (entry->IsDirectory())
        return run.transaction.MakeFolder(entry->name);
    return WriteFileEntry(run, *entry);
}

// Exactly the surveyed entries, one after the other: with 65,535 of them the end record's
// count reads 0xFFFF, which minizip takes for "no count" and walks on past the last one.
bool StageEntries(Run& run, const ProgressSink& progress) {
    const std::vector<SurveyedEntry>& entries = run.survey.entries;
    for (uint64_t index = 0; index < entries.size(); ++index) {
        int status = index == 0 ? unzGoToFirstFile(run.zip) : unzGoToNextFile(run.zip);
        if (status != UNZ_OK || unzGetOffset64(run.zip) != entries[index].recordOffset ||
            !StageEntry(run, entries[index]) || run.ticket.StopRequested()) {
            return false;
        }
        progress.Report(ExtractPercent(index, entries.size()));
    }
    return true;
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
    ExtractionTransaction transaction(target);
    if (!zip || !AgreesWithSurvey(zip.Get(), *survey) || !FitsOnDrive(target, *survey) ||
        !transaction.PrepareTarget()) {
        progress.Report(0);
        return kExtractFailed;
    }
    Run run{zip.Get(), *survey, transaction, ticket, {}};
    if (!StageEntries(run, progress) || !transaction.Commit(ticket) || ticket.StopRequested())
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
