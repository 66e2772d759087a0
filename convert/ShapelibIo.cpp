#include "convert/ShapelibIo.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "convert/OutputError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Calvorn {

namespace {

const OutputPolicy kDefaultPolicy;
thread_local const OutputPolicy* t_policy = nullptr;  // of the innermost staging scope

std::uint64_t RoomFor(const char* name)
{
    const OutputPolicy& policy = CurrentOutputPolicy();
    return policy.room ? policy.room(name) : std::numeric_limits<std::uint64_t>::max();
}

// Enough for the messages of one failure; a file that fails row after row stops adding here.
constexpr std::size_t kMaxMessageBytes = 4096;
thread_local std::string t_messages;

void KeepMessage(std::string_view message) noexcept
{
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.remove_suffix(1);
    }
    if (message.empty() || t_messages.size() >= kMaxMessageBytes) {
        return;
    }
    try {
        if (!t_messages.empty()) {
            t_messages += "; ";
        }
        t_messages.append(message.substr(0, kMaxMessageBytes - t_messages.size()));
    } catch (...) {
        // Out of memory: the failure is still reported, without its details.
    }
}

void ErrorHook(const char* message)
{
    KeepMessage(message != nullptr ? message : "");
}

struct StagedFile {
    int descriptor;
    std::filesystem::path onDisk;
};
std::mutex g_stagedMutex;
std::map<std::string, StagedFile> g_staged;  // name as shapelib is given it → file
thread_local int t_stagingScopes = 0;

// Opens a staged name on the staged file's descriptor (a duplicate: closing it keeps the
// file's lock); inside a staging scope refuses every other name, outside opens it as usual.
FILE* StagedOpen(const char* name, const char* access)
{
    int descriptor = -1;
    {
        const std::lock_guard lock(g_stagedMutex);
        const auto found = g_staged.find(name);
        if (found != g_staged.end()) {
            descriptor = found->second.descriptor;
        }
    }
    if (descriptor < 0) {
        if (t_stagingScopes > 0) {
            KeepMessage(std::string("refusing to open ") + name);
            return nullptr;
        }
        return std::fopen(name, access);
    }
    const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        return nullptr;
    }
    // Truncating a file that is empty already changes nothing but costs: ext4 then writes the
    // whole file back when it is closed (auto_da_alloc), tens of milliseconds for a large one.
    const bool truncate = std::string_view(access).find('w') != std::string_view::npos;
    struct stat info {};
    const bool empty = ::fstat(copy, &info) == 0 && info.st_size == 0;
    if ((truncate && !empty && ::ftruncate(copy, 0) != 0) || ::lseek(copy, 0, SEEK_SET) != 0) {
        ::close(copy);
        return nullptr;
    }
    FILE* file = ::fdopen(copy, access);
    if (file == nullptr) {
        ::close(copy);
    }
    return file;
}

SAFile StagedOpenHook(const char* name, const char* access)
{
    try {
        return reinterpret_cast<SAFile>(StagedOpen(name, access));
    } catch (...) {
        return nullptr;
    }
}

// shapelib removes only the .cpg of a new .dbf; a staged output never has one, and a final
// name is never shapelib's to remove.
int GuardedRemove(const char* name)
{
    bool staged = t_stagingScopes > 0;
    if (!staged) {
        const std::lock_guard lock(g_stagedMutex);
        staged = g_staged.count(name) > 0;
    }
    return staged ? 0 : std::remove(name);
}

// shapelib's own hooks for the platform, with messages kept instead of printed.
const SAHooks& ShapelibOwnHooks()
{
    static const SAHooks hooks = [] {
        SAHooks result;
#ifdef SHPAPI_UTF8_HOOKS
        SASetupUtf8Hooks(&result);
#else
        SASetupDefaultHooks(&result);
#endif
        result.Error = ErrorHook;
        return result;
    }();
    return hooks;
}

// One open file behind the buffered hooks: a window of the file, [m_start, m_start + m_length),
// whose bytes in [m_dirtyBegin, m_dirtyEnd) (relative to m_start) are newer than the file's.
// shapelib writes in order with small steps back, so nearly every call stays in the window.
class BufferedFile {
public:
    static BufferedFile* Open(const char* name, const char* access)
    {
        const SAHooks& inner = ShapelibOwnHooks();
        auto file = reinterpret_cast<SAFile>(StagedOpen(name, access));
        if (file == nullptr) {
            return nullptr;
        }
        const std::string_view mode(access);
        const bool truncated = mode.find('w') != std::string_view::npos;
        const bool writable = truncated || mode.find('+') != std::string_view::npos;
        BufferedFile* opened = nullptr;
        try {
            opened = new BufferedFile(file, name, writable);
        } catch (...) {
            inner.FClose(file);
            return nullptr;
        }
        if (!opened->FindSize(truncated)) {
            delete opened;
            inner.FClose(file);
            return nullptr;
        }
        return opened;
    }

    SAOffset Read(void* target, SAOffset size, SAOffset count)
    {
        if (size == 0 || count == 0 || m_failed) {
            return 0;
        }
        const std::uint64_t total = std::uint64_t{size} * count;
        auto* out = static_cast<unsigned char*>(target);
        std::uint64_t done = 0;
        while (done < total) {
            if (m_position < m_start || m_position >= m_start + m_length) {
                if (!Load()) {
                    break;
                }
            }
            const std::size_t offset = static_cast<std::size_t>(m_position - m_start);
            const std::size_t piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(total - done, m_length - offset));
            std::memcpy(out + done, m_buffer.get() + offset, piece);
            done += piece;
            m_position += piece;
        }
        return static_cast<SAOffset>(done / size);
    }

    SAOffset Write(const void* source, SAOffset size, SAOffset count)
    {
        if (size == 0 || count == 0 || !m_writable || m_failed) {
            return 0;
        }
        const std::uint64_t total = std::uint64_t{size} * count;
        const auto* in = static_cast<const unsigned char*>(source);
        // Nearly every write continues the window, or overwrites its last bytes.
        if (m_position >= m_start && m_position <= m_start + m_length &&
            m_position - m_start + total <= kShapelibBufferSize) {
            const auto offset = static_cast<std::size_t>(m_position - m_start);
            const auto length = static_cast<std::size_t>(total);
            std::memcpy(m_buffer.get() + offset, in, length);
            m_dirtyBegin = std::min(m_dirtyBegin, offset);
            m_dirtyEnd = std::max(m_dirtyEnd, offset + length);
            m_length = std::max(m_length, offset + length);
            m_position += length;
            return count;
        }
        std::uint64_t done = 0;
        while (done < total) {
            // The window grows only without gaps: a write beyond its end starts a new one.
            if (m_position < m_start || m_position > m_start + m_length ||
                m_position >= m_start + kShapelibBufferSize) {
                if (!WriteBack()) {
                    break;
                }
                m_start = m_position;
                m_length = 0;
            }
            const std::size_t offset = static_cast<std::size_t>(m_position - m_start);
            const std::size_t piece = static_cast<std::size_t>(
                std::min<std::uint64_t>(total - done, kShapelibBufferSize - offset));
            std::memcpy(m_buffer.get() + offset, in + done, piece);
            m_dirtyBegin = std::min(m_dirtyBegin, offset);
            m_dirtyEnd = std::max(m_dirtyEnd, offset + piece);
            m_length = std::max(m_length, offset + piece);
            done += piece;
            m_position += piece;
        }
        return static_cast<SAOffset>(done / size);
    }

    SAOffset Seek(SAOffset offset, int whence)
    {
        std::uint64_t base = 0;
        if (whence == SEEK_CUR) {
            base = m_position;
        } else if (whence == SEEK_END) {
            // Only bytes written make the file longer; a window loaded past the end holds none.
            base = m_dirtyEnd > m_dirtyBegin
                       ? std::max<std::uint64_t>(m_fileSize, m_start + m_dirtyEnd)
                       : m_fileSize;
        } else if (whence != SEEK_SET) {
            return static_cast<SAOffset>(-1);
        }
        // SAOffset is unsigned: a step back arrives as its two's complement.
        m_position = base + offset;
        if (sizeof(SAOffset) < sizeof(std::uint64_t)) {
            m_position &= static_cast<SAOffset>(-1);
        }
        return 0;
    }

    SAOffset Tell() const { return static_cast<SAOffset>(m_position); }

    int Flush()
    {
        if (!WriteBack()) {
            return EOF;
        }
        // stdio keeps the bytes a little longer: its own flush is where a full disk shows.
        if (ShapelibOwnHooks().FFlush(m_file) != 0) {
            Fail(errno);
            return EOF;
        }
        return 0;
    }

    // Closes and deletes the file; EOF when anything written did not reach it.
    static int Close(BufferedFile* file)
    {
        const bool written = file->WriteBack();
        if (ShapelibOwnHooks().FClose(file->m_file) != 0) {
            file->Fail(errno);
        }
        const bool ok = written && !file->m_failed;
        delete file;
        return ok ? 0 : EOF;
    }

private:
    BufferedFile(SAFile file, const char* name, bool writable)
        : m_file(file),
          m_name(name),
          m_writable(writable),
          m_room(RoomFor(name)),
          m_buffer(std::make_unique_for_overwrite<unsigned char[]>(kShapelibBufferSize))
    {
    }

    bool FindSize(bool truncated)
    {
        if (truncated) {
            return true;
        }
        const SAHooks& inner = ShapelibOwnHooks();
        if (inner.FSeek(m_file, 0, SEEK_END) != 0) {
            return false;
        }
        m_fileSize = inner.FTell(m_file);
        return inner.FSeek(m_file, 0, SEEK_SET) == 0;
    }

    // Makes the window start at the current position, filled from the file.
    bool Load()
    {
        if (!WriteBack()) {
            return false;
        }
        const SAHooks& inner = ShapelibOwnHooks();
        m_start = m_position;
        m_length = 0;
        if (m_position >= m_fileSize) {
            return false;
        }
        if (inner.FSeek(m_file, static_cast<SAOffset>(m_position), SEEK_SET) != 0) {
            return false;
        }
        m_length = inner.FRead(m_buffer.get(), 1, kShapelibBufferSize, m_file);
        return m_length > 0;
    }

    bool WriteBack()
    {
        if (m_dirtyEnd <= m_dirtyBegin) {
            return !m_failed;
        }
        const SAHooks& inner = ShapelibOwnHooks();
        const std::size_t length = m_dirtyEnd - m_dirtyBegin;
        const std::uint64_t at = m_start + m_dirtyBegin;
        // A full disk takes what still fits and refuses the rest.
        const std::size_t fits =
            at >= m_room ? 0
                         : static_cast<std::size_t>(std::min<std::uint64_t>(length, m_room - at));
        if (inner.FSeek(m_file, static_cast<SAOffset>(at), SEEK_SET) != 0 ||
            inner.FWrite(m_buffer.get() + m_dirtyBegin, 1, fits, m_file) != fits) {
            Fail(errno);
        } else if (fits < length) {
            Fail(ENOSPC);
        } else {
            m_fileSize = std::max(m_fileSize, at + length);
        }
        m_dirtyBegin = kShapelibBufferSize;
        m_dirtyEnd = 0;
        return !m_failed;
    }

    // Refuses every later write; the first failure is told with the system's reason.
    void Fail(int error)
    {
        if (!m_failed) {
            try {
                KeepMessage("cannot write " + m_name + ": " +
                            std::generic_category().message(error));
            } catch (...) {
            }
        }
        m_failed = true;
    }

    SAFile m_file;
    std::string m_name;
    bool m_writable;
    std::uint64_t m_room;   // the bytes the disk lets this file hold
    bool m_failed = false;  // a write-back failed: every later write is refused
    std::unique_ptr<unsigned char[]> m_buffer;
    std::uint64_t m_start = 0;
    std::size_t m_length = 0;
    std::size_t m_dirtyBegin = kShapelibBufferSize;
    std::size_t m_dirtyEnd = 0;
    std::uint64_t m_position = 0;
    std::uint64_t m_fileSize = 0;  // as far as the file itself is concerned
};

BufferedFile* AsBuffered(SAFile file)
{
    return reinterpret_cast<BufferedFile*>(file);
}

SAFile BufferedOpen(const char* name, const char* access)
{
    // Nothing may be thrown through shapelib's C code.
    try {
        return reinterpret_cast<SAFile>(BufferedFile::Open(name, access));
    } catch (...) {
        return nullptr;
    }
}

SAOffset BufferedRead(void* target, SAOffset size, SAOffset count, SAFile file)
{
    return AsBuffered(file)->Read(target, size, count);
}

SAOffset BufferedWrite(void* source, SAOffset size, SAOffset count, SAFile file)
{
    return AsBuffered(file)->Write(source, size, count);
}

SAOffset BufferedSeek(SAFile file, SAOffset offset, int whence)
{
    return AsBuffered(file)->Seek(offset, whence);
}

SAOffset BufferedTell(SAFile file)
{
    return AsBuffered(file)->Tell();
}

int BufferedFlush(SAFile file)
{
    return AsBuffered(file)->Flush();
}

int BufferedClose(SAFile file)
{
    return BufferedFile::Close(AsBuffered(file));
}

void StoreBig32(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value >> 24);
    at[1] = static_cast<unsigned char>(value >> 16);
    at[2] = static_cast<unsigned char>(value >> 8);
    at[3] = static_cast<unsigned char>(value);
}

void StoreLittle32(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value >> 16);
    at[3] = static_cast<unsigned char>(value >> 24);
}

void StoreLittleDouble(unsigned char* at, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    StoreLittle32(at, static_cast<std::uint32_t>(bits));
    StoreLittle32(at + 4, static_cast<std::uint32_t>(bits >> 32));
}

std::uint32_t LoadBig32(const unsigned char* at)
{
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

std::uint32_t LoadLittle16(const unsigned char* at)
{
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8;
}

std::uint32_t LoadLittle32(const unsigned char* at)
{
    return LoadLittle16(at) | LoadLittle16(at + 2) << 16;
}

double LoadLittleDouble(const unsigned char* at)
{
    return std::bit_cast<double>(std::uint64_t{LoadLittle32(at)} |
                                 std::uint64_t{LoadLittle32(at + 4)} << 32);
}

// The 100-byte header the .shp and .shx share but for the file length: big-endian file code
// and length in 16-bit words, little-endian version, type and bounds (x, y, z and m ranges).
void FillShapeHeader(unsigned char (&header)[100], int shapeType, std::uint64_t fileSize,
                     const double (&bounds)[8])
{
    std::memset(header, 0, sizeof(header));
    StoreBig32(header, 9994);
    StoreBig32(header + 24, static_cast<std::uint32_t>(fileSize / 2));
    StoreLittle32(header + 28, 1000);
    StoreLittle32(header + 32, static_cast<std::uint32_t>(shapeType));
    for (int i = 0; i < 8; ++i) {
        StoreLittleDouble(header + 36 + 8 * i, bounds[i]);
    }
}

}  // namespace

bool WriteShapeHeaders(SHPHandle shp)
{
    unsigned char header[100];
    const double bounds[8] = {shp->adBoundsMin[0], shp->adBoundsMin[1], shp->adBoundsMax[0],
                              shp->adBoundsMax[1], shp->adBoundsMin[2], shp->adBoundsMax[2],
                              shp->adBoundsMin[3], shp->adBoundsMax[3]};
    FillShapeHeader(header, shp->nShapeType, shp->nFileSize, bounds);
    const SAHooks& hooks = shp->sHooks;
    const bool shpOk = hooks.FSeek(shp->fpSHP, 0, SEEK_SET) == 0 &&
                       hooks.FWrite(header, sizeof(header), 1, shp->fpSHP) == 1 &&
                       hooks.FFlush(shp->fpSHP) == 0;
    // The .shx is written even when the .shp failed: its entries for the shapes that reached
    // the disk let KeepWholeRecords keep them.
    const auto records = static_cast<std::uint32_t>(shp->nRecords);
    StoreBig32(header + 24, (records * 8 + 100) / 2);
    bool ok = hooks.FSeek(shp->fpSHX, 0, SEEK_SET) == 0 &&
              hooks.FWrite(header, sizeof(header), 1, shp->fpSHX) == 1;
    // One entry a shape: offset and length in 16-bit words, big-endian.
    constexpr std::uint32_t kEntriesAtOnce = 8192;
    unsigned char entries[kEntriesAtOnce * 8];
    for (std::uint32_t first = 0; ok && first < records; first += kEntriesAtOnce) {
        const std::uint32_t count = std::min(kEntriesAtOnce, records - first);
        for (std::uint32_t i = 0; i < count; ++i) {
            StoreBig32(entries + 8 * i, shp->panRecOffset[first + i] / 2);
            StoreBig32(entries + 8 * i + 4, shp->panRecSize[first + i] / 2);
        }
        ok = hooks.FWrite(entries, 8, count, shp->fpSHX) == count;
    }
    ok = ok && hooks.FFlush(shp->fpSHX) == 0;
    shp->bUpdated = 0;
    return shpOk && ok;
}

SAHooks ShapelibHooks()
{
    SAHooks hooks = ShapelibOwnHooks();
    hooks.FOpen = StagedOpenHook;
    hooks.Remove = GuardedRemove;
    if (CurrentOutputPolicy().ioMode == ShapelibIoMode::Buffered) {
        hooks.FOpen = BufferedOpen;
        hooks.FRead = BufferedRead;
        hooks.FWrite = BufferedWrite;
        hooks.FSeek = BufferedSeek;
        hooks.FTell = BufferedTell;
        hooks.FFlush = BufferedFlush;
        hooks.FClose = BufferedClose;
    }
    return hooks;
}

namespace {

// The .shp and .shx cut to at most `keep` shapes, the shapes the .shp holds whole, with headers
// to match; the shapes kept, -1 when the files could not be mended. Throws on I/O errors of
// the file system calls (the caller catches).
std::int64_t KeepWholeShapes(const std::filesystem::path& shpPath,
                             const std::filesystem::path& shxPath, int shapeType,
                             std::uint64_t keep)
{
    namespace fs = std::filesystem;
    constexpr auto kMode = std::ios::in | std::ios::out | std::ios::binary;
    const std::uint64_t shpSize = fs::file_size(shpPath);
    const std::uint64_t shxSize = fs::file_size(shxPath);
    if (shpSize < 100 || shxSize < 100) {
        return -1;
    }
    keep = std::min(keep, (shxSize - 100) / 8);
    // Walks the shapes from the start: their headers give their lengths, their boxes (a point's
    // coordinates) the bounds of what is kept.
    std::fstream shp(shpPath, kMode);
    double bounds[8] = {};
    bool anyBox = false;
    std::uint64_t end = 100;
    std::uint64_t count = 0;
    unsigned char record[44];
    while (count < keep && end + 8 <= shpSize) {
        shp.seekg(static_cast<std::streamoff>(end));
        if (!shp.read(reinterpret_cast<char*>(record), 8)) {
            break;
        }
        const std::uint64_t next = end + 8 + std::uint64_t{LoadBig32(record + 4)} * 2;
        const std::uint64_t body = std::min<std::uint64_t>(next - end - 8, 36);
        if (next > shpSize ||
            !shp.read(reinterpret_cast<char*>(record + 8), static_cast<std::streamsize>(body))) {
            break;
        }
        const std::uint32_t type = body >= 4 ? LoadLittle32(record + 8) : SHPT_NULL;
        double box[4];
        const bool point = type == SHPT_POINT && body >= 20;
        const bool hasBox = point || (type != SHPT_NULL && body >= 36);
        for (int i = 0; hasBox && i < 4; ++i) {
            box[i] = LoadLittleDouble(record + 12 + 8 * (point ? i % 2 : i));
        }
        if (hasBox) {
            for (int i = 0; i < 2; ++i) {
                bounds[i] = anyBox ? std::min(bounds[i], box[i]) : box[i];
                bounds[i + 2] = anyBox ? std::max(bounds[i + 2], box[i + 2]) : box[i + 2];
            }
            anyBox = true;
        }
        end = next;
        ++count;
    }
    unsigned char header[100];
    FillShapeHeader(header, shapeType, end, bounds);
    shp.clear();
    shp.seekp(0);
    shp.write(reinterpret_cast<const char*>(header), sizeof(header));
    shp.close();
    FillShapeHeader(header, shapeType, 100 + 8 * count, bounds);
    std::fstream shx(shxPath, kMode);
    shx.write(reinterpret_cast<const char*>(header), sizeof(header));
    shx.close();
    if (!shp || !shx) {
        return -1;
    }
    fs::resize_file(shpPath, end);
    fs::resize_file(shxPath, 100 + 8 * count);
    return static_cast<std::int64_t>(count);
}

}  // namespace

int KeepWholeRecords(const std::filesystem::path& shpPath, const std::filesystem::path& shxPath,
                     const std::filesystem::path& dbfPath, int shapeType) noexcept
{
    try {
        namespace fs = std::filesystem;
        std::fstream dbf(dbfPath, std::ios::in | std::ios::out | std::ios::binary);
        unsigned char dbfHead[12];
        if (!dbf.read(reinterpret_cast<char*>(dbfHead), sizeof(dbfHead))) {
            return -1;
        }
        const std::uint64_t headerLength = LoadLittle16(dbfHead + 8);
        const std::uint64_t recordLength = LoadLittle16(dbfHead + 10);
        const std::uint64_t dbfSize = fs::file_size(dbfPath);
        if (recordLength == 0 || dbfSize < headerLength) {
            return -1;
        }
        std::uint64_t keep = (dbfSize - headerLength) / recordLength;
        if (!shpPath.empty()) {
            const std::int64_t shapes = KeepWholeShapes(shpPath, shxPath, shapeType, keep);
            if (shapes < 0) {
                return -1;
            }
            keep = static_cast<std::uint64_t>(shapes);
        }
        unsigned char count[4];
        StoreLittle32(count, static_cast<std::uint32_t>(keep));
        dbf.seekp(4);
        dbf.write(reinterpret_cast<const char*>(count), sizeof(count));
        dbf.close();
        if (!dbf) {
            return -1;
        }
        fs::resize_file(dbfPath, headerLength + keep * recordLength);
        return static_cast<int>(keep);
    } catch (...) {
        return -1;
    }
}

std::string TakeShapelibMessages()
{
    std::string messages;
    messages.swap(t_messages);
    return messages;
}

std::string WithShapelibMessages(std::string message)
{
    const std::string messages = TakeShapelibMessages();
    if (!messages.empty()) {
        message += ": ";
        message += messages;
    }
    return message;
}

void StageShapelibFile(const std::filesystem::path& name, int descriptor,
                       const std::filesystem::path& onDisk)
{
    const std::lock_guard lock(g_stagedMutex);
    if (!g_staged.emplace(ShapelibPath(name), StagedFile{descriptor, onDisk}).second) {
        throw std::logic_error("staged twice: " + name.string());
    }
}

void UnstageShapelibFile(const std::filesystem::path& name) noexcept
{
    try {
        const std::lock_guard lock(g_stagedMutex);
        g_staged.erase(ShapelibPath(name));
    } catch (...) {
    }
}

ShapelibStagingScope::ShapelibStagingScope()
{
    ++t_stagingScopes;
}

ShapelibStagingScope::~ShapelibStagingScope()
{
    --t_stagingScopes;
}

OutputPolicyScope::OutputPolicyScope(const OutputPolicy& policy) : m_outer(t_policy)
{
    t_policy = &policy;
}

OutputPolicyScope::~OutputPolicyScope()
{
    t_policy = m_outer;
}

const OutputPolicy& CurrentOutputPolicy()
{
    return t_policy != nullptr ? *t_policy : kDefaultPolicy;
}

std::filesystem::path OnDiskPath(const std::filesystem::path& name)
{
    const std::lock_guard lock(g_stagedMutex);
    const auto found = g_staged.find(ShapelibPath(name));
    return found != g_staged.end() ? found->second.onDisk : name;
}

std::string ShapelibPath(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

FileStamp StampOf(const std::filesystem::path& name)
{
    const std::filesystem::path path = OnDiskPath(name);
    FileStamp stamp;
    std::error_code error;
    stamp.existed = std::filesystem::is_regular_file(path, error);
    if (stamp.existed) {
        stamp.time = std::filesystem::last_write_time(path, error);
        stamp.size = std::filesystem::file_size(path, error);
    }
    return stamp;
}

void RemoveIfTouched(const std::filesystem::path& name, const FileStamp& before)
{
    const std::filesystem::path path = OnDiskPath(name);
    const FileStamp now = StampOf(path);
    if (now.existed && (!before.existed || now.time != before.time || now.size != before.size)) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

void ExpectCleanClose(const std::filesystem::path& path)
{
    const std::string messages = TakeShapelibMessages();
    if (!messages.empty()) {
        throw OutputError("cannot finish writing " + path.string() + ": " + messages);
    }
}

void ExpectFileSize(const std::filesystem::path& path, std::uintmax_t size)
{
    std::error_code error;
    const std::uintmax_t actual = std::filesystem::file_size(OnDiskPath(path), error);
    if (error || actual != size) {
        throw OutputError(WithShapelibMessages("cannot finish writing " + path.string()));
    }
}

}  // namespace Calvorn
