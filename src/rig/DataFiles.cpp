#include "rig/DataFiles.h"

#include "common/TextFormat.h"
#include "rig/SettingsJson.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace meldrix {

namespace {

struct FileKind {
    std::string_view extension;
    std::string_view description; // used in messages: "the mixer file"
    std::size_t recordSize;
    int recordCount;
};

constexpr FileKind kindOf(DataFile file)
{
    switch (file) {
    case DataFile::Inp:
        return { ".INP", "input gases", sizeof(GasRecord), MaxInputGases };
    case DataFile::Mix:
        return { ".MIX", "mixer", sizeof(FlowmeterRecord), MaxFlowmeters };
    case DataFile::Cal:
        return { ".CAL", "calibrations", sizeof(CalCurveRecord), MaxCalCurves };
    case DataFile::Cel:
        break;
    }
    return { ".CEL", "output cells", sizeof(CellRecord), MaxCells };
}

// What the settings file is called in messages, beside the four kinds.
constexpr std::string_view SettingsDescription = "settings";

// A settings file is a few hundred bytes; anything far larger is not one.
constexpr std::size_t MaxSettingsFileSize = 1 << 20;

// "the mixer file '/data/Rig1.MIX'"
std::string fileLabel(std::string_view description, std::string_view path)
{
    std::string label = "the ";
    label.append(description).append(" file '").append(path).append("'");
    return label;
}

std::string fileLabel(DataFile file, std::string_view path)
{
    return fileLabel(kindOf(file).description, path);
}

std::string fileTitle(std::string_view description, std::string_view path)
{
    std::string title = fileLabel(description, path);
    title.front() = 'T';
    return title;
}

std::string fileTitle(DataFile file, std::string_view path)
{
    return fileTitle(kindOf(file).description, path);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

struct ReadOutcome {
    std::vector<std::byte> bytes;
    std::size_t fileSize = 0;
    std::string error; // empty when the file was read
    int errorNumber = 0; // the errno behind `error`, when there is one
};

// Reads at most `limit` bytes of a regular file. Other kinds of file are never read, so a FIFO
// or a device in place of a data file cannot block the window.
ReadOutcome readRegularFile(const std::string& path, std::size_t limit)
{
    ReadOutcome outcome;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        outcome.errorNumber = errno;
        outcome.error = std::strerror(errno);
        return outcome;
    }
    struct stat info { };
    if (::fstat(fd.get(), &info) != 0) {
        outcome.error = std::strerror(errno);
        return outcome;
    }
    if (!S_ISREG(info.st_mode)) {
        outcome.error = "not a regular file";
        return outcome;
    }
    outcome.fileSize = static_cast<std::size_t>(info.st_size);
    outcome.bytes.resize(limit);
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd.get(), outcome.bytes.data() + got, limit - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            outcome.error = std::strerror(errno);
            outcome.bytes.clear();
            return outcome;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    outcome.bytes.resize(got);
    return outcome;
}

// The first stored value that would point outside the arrays, as a sentence ending.
std::string firstOutOfRange(const Rig& rig, DataFile file, int records)
{
    switch (file) {
    case DataFile::Mix:
        for (int f = 1; f <= records; ++f) {
            const FlowmeterRecord& stage = rig.Flowmeters[f];
            if (stage.Input < 1 || stage.Input > MaxGases)
                return "stage " + formatInt(f) + " has Input " + formatInt(stage.Input)
                    + ", outside 1..32";
            if (stage.Output > MaxMixtures)
                return "stage " + formatInt(f) + " has Output " + formatInt(stage.Output)
                    + ", outside 0..16";
        }
        break;
    case DataFile::Cal:
        for (int c = 1; c <= records; ++c)
            if (rig.CalCurves[c].Flowmeter > MaxFlowmeters)
                return "curve " + formatInt(c) + " has Flowmeter "
                    + formatInt(rig.CalCurves[c].Flowmeter) + ", outside 0..16";
        break;
    case DataFile::Cel:
        for (int c = 1; c <= records; ++c)
            if (rig.Cells[c].Mix > MaxMixtures)
                return "cell " + formatInt(c) + " has Mix " + formatInt(rig.Cells[c].Mix)
                    + ", outside 0..16";
        break;
    case DataFile::Inp:
        break;
    }
    return {};
}

std::span<const std::byte> imageOf(const Rig& rig, DataFile file)
{
    switch (file) {
    case DataFile::Inp:
        return std::as_bytes(rig.InputGases.all());
    case DataFile::Mix:
        return std::as_bytes(rig.Flowmeters.all());
    case DataFile::Cal:
        return std::as_bytes(rig.CalCurves.all());
    case DataFile::Cel:
        break;
    }
    return std::as_bytes(rig.Cells.all());
}

std::span<std::byte> imageOf(Rig& rig, DataFile file)
{
    // The same bytes as the read-only image; the rig is ours to write.
    const std::span<const std::byte> image = imageOf(std::as_const(rig), file);
    return { const_cast<std::byte*>(image.data()), image.size() };
}

FileBaseline& baselineOf(Rig& rig, DataFile file)
{
    return rig.FileBaselines[static_cast<std::size_t>(file)];
}

const FileBaseline& baselineOf(const Rig& rig, DataFile file)
{
    return rig.FileBaselines[static_cast<std::size_t>(file)];
}

// What was just read or written is what the records are compared with from now on.
void takeAsBaseline(Rig& rig, DataFile file)
{
    const std::span<const std::byte> image = imageOf(std::as_const(rig), file);
    baselineOf(rig, file).Image.assign(image.begin(), image.end());
}

void markWritten(Rig& rig, DataFile file)
{
    takeAsBaseline(rig, file);
    baselineOf(rig, file).DamagedPath.clear();
    baselineOf(rig, file).Damage.clear();
}

std::string fileNameOnly(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// "A, B and C"
// Files that share one reason: "the mixer and output cells files of Rig1: why" when they belong
// to one data set, "A.MIX and B.CEL: why" otherwise; files with different reasons are each named
// with their own: "A.MIX (why) and A.CEL (other)".
std::string filesWithReasons(const std::vector<const LoadResult*>& results)
{
    bool oneReason = true;
    bool oneBase = true;
    for (const LoadResult* result : results) {
        oneReason = oneReason && result->reason == results.front()->reason;
        oneBase = oneBase && BaseNameOfPath(result->path) == BaseNameOfPath(results.front()->path);
    }
    std::vector<std::string> names;
    if (oneReason && oneBase) {
        for (const LoadResult* result : results)
            names.emplace_back(kindOf(result->file).description);
        return "the " + listed(names) + (names.size() == 1 ? " file of " : " files of ")
            + fileNameOnly(BaseNameOfPath(results.front()->path)) + ": " + results.front()->reason;
    }
    for (const LoadResult* result : results)
        names.push_back(oneReason ? fileNameOnly(result->path)
                                  : fileNameOnly(result->path) + " (" + result->reason + ")");
    return oneReason ? listed(names) + ": " + results.front()->reason : listed(names);
}

std::string randomSuffix()
{
    static std::mt19937 generator { std::random_device {}() };
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix = ".tmp-";
    for (int i = 0; i < 8; ++i)
        suffix += letters[generator() % (sizeof letters - 1)];
    return suffix;
}

// A file written beside its target and not yet renamed over it.
struct PendingSave {
    std::string target;
    std::string temporary;
};

std::optional<std::string> writeTemporary(std::string_view description, const std::string& path,
    std::span<const std::byte> image, PendingSave& out)
{
    const auto fail = [&](std::string_view reason) {
        return "Could not save " + fileLabel(description, path) + ": " + std::string(reason) + ".";
    };
    if (path.empty())
        return fail("no file name is set");
    std::string target = path;
    struct stat info { };
    int mode = 0666;
    if (::lstat(path.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode)) {
            // Replace the file the link points to, not the link itself.
            char resolved[PATH_MAX];
            if (::realpath(path.c_str(), resolved) == nullptr || ::stat(resolved, &info) != 0)
                return fail(std::strerror(errno));
            target = resolved;
        }
        if (!S_ISREG(info.st_mode))
            return fail("it is not a regular file");
        mode = static_cast<int>(info.st_mode & 07777);
    } else if (errno != ENOENT) {
        return fail(std::strerror(errno));
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = target + randomSuffix();
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail(std::strerror(errno));
    }
    if (fd < 0)
        return fail("no temporary file could be created beside it");
    FileDescriptor guard(fd);
    const auto discard = [&](int error) {
        ::unlink(temporary.c_str());
        return fail(std::strerror(error));
    };
    if (mode != 0666 && ::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return discard(errno);
    std::size_t written = 0;
    while (written < image.size()) {
        const ssize_t n = ::write(fd, image.data() + written, image.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return discard(errno);
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return discard(errno);
    if (::close(guard.release()) != 0)
        return discard(errno);
    out = { std::move(target), std::move(temporary) };
    return std::nullopt;
}

std::optional<std::string> commit(std::string_view description, const PendingSave& pending)
{
    if (::rename(pending.temporary.c_str(), pending.target.c_str()) == 0)
        return std::nullopt;
    const int error = errno;
    ::unlink(pending.temporary.c_str());
    return "Could not save " + fileLabel(description, pending.target) + ": " + std::strerror(error)
        + ".";
}

// The settings need a file once they are not the defaults, and a file already there is replaced,
// so that the data set reads back as it was saved.
bool settingsFileWanted(const Rig& rig)
{
    struct stat info { };
    return !AreDefaultSettings(rig.Settings) || ::lstat(rig.SettingsFileName.c_str(), &info) == 0;
}

void markSettingsWritten(Rig& rig, std::string stored)
{
    rig.Settings.Stored = std::move(stored);
    rig.SettingsLastStored = { rig.Settings, {}, {} };
}

} // namespace

std::string_view extensionOf(DataFile file)
{
    return kindOf(file).extension;
}

std::size_t fileSizeOf(DataFile file)
{
    const FileKind kind = kindOf(file);
    return kind.recordSize * static_cast<std::size_t>(kind.recordCount);
}

const std::string& fileNameOf(const Rig& rig, DataFile file)
{
    return fileNameOf(const_cast<Rig&>(rig), file);
}

std::string& fileNameOf(Rig& rig, DataFile file)
{
    switch (file) {
    case DataFile::Inp:
        return rig.InpFileName;
    case DataFile::Mix:
        return rig.MixFileName;
    case DataFile::Cal:
        return rig.CalFileName;
    case DataFile::Cel:
        break;
    }
    return rig.CelFileName;
}

LoadResult LoadDataFile(Rig& rig, DataFile file)
{
    const FileKind kind = kindOf(file);
    const std::string& path = fileNameOf(rig, file);
    const std::size_t expected = fileSizeOf(file);
    const ReadOutcome outcome = readRegularFile(path, expected);
    // Whatever was computed before belongs to the data set as it was.
    rig.ResultsCurrent = false;
    if (!outcome.error.empty())
        return { false, "Could not read " + fileLabel(file, path) + ": " + outcome.error + ".",
            path, outcome.error, file };

    // A short file fills the records it covers, a partial last record only in its first bytes;
    // everything after keeps its previous contents.
    std::span<std::byte> image = imageOf(rig, file);
    std::memcpy(image.data(), outcome.bytes.data(), outcome.bytes.size());
    const int recordsTouched =
        static_cast<int>((outcome.bytes.size() + kind.recordSize - 1) / kind.recordSize);
    if (file == DataFile::Inp)
        for (int i = 1; i <= recordsTouched; ++i)
            UpdateGasDefined(rig, i);

    LoadResult result { true, {}, path, {}, file };
    if (outcome.fileSize != expected) {
        result.problem = fileTitle(file, path) + " is damaged: it holds "
            + formatInt(static_cast<long long>(outcome.fileSize)) + " bytes instead of "
            + formatInt(static_cast<long long>(expected)) + ".";
        result.reason = formatInt(static_cast<long long>(outcome.fileSize)) + " bytes instead of "
            + formatInt(static_cast<long long>(expected));
    } else if (const std::string fault = firstOutOfRange(rig, file, recordsTouched);
               !fault.empty()) {
        result.problem = fileTitle(file, path) + " is damaged: " + fault + ".";
        result.reason = fault;
    }
    // The records as read, damaged or not, are what an unsaved change is measured against; the
    // damage is kept so that a save over this file asks first.
    takeAsBaseline(rig, file);
    baselineOf(rig, file).DamagedPath = result.reason.empty() ? std::string {} : path;
    baselineOf(rig, file).Damage = result.reason;
    return result;
}

LoadResult LoadInputGases(Rig& rig)
{
    return LoadDataFile(rig, DataFile::Inp);
}
LoadResult LoadMixer(Rig& rig)
{
    return LoadDataFile(rig, DataFile::Mix);
}
LoadResult LoadCalibrations(Rig& rig)
{
    return LoadDataFile(rig, DataFile::Cal);
}
LoadResult LoadCells(Rig& rig)
{
    return LoadDataFile(rig, DataFile::Cel);
}

std::optional<std::string> SaveDataFile(Rig& rig, DataFile file)
{
    PendingSave pending;
    if (auto error = writeTemporary(
            kindOf(file).description, fileNameOf(rig, file), imageOf(rig, file), pending))
        return error;
    auto error = commit(kindOf(file).description, pending);
    if (!error)
        markWritten(rig, file);
    return error;
}

std::optional<std::string> SaveInputGases(Rig& rig)
{
    return SaveDataFile(rig, DataFile::Inp);
}
std::optional<std::string> SaveMixer(Rig& rig)
{
    return SaveDataFile(rig, DataFile::Mix);
}
std::optional<std::string> SaveCalibrations(Rig& rig)
{
    return SaveDataFile(rig, DataFile::Cal);
}
std::optional<std::string> SaveCells(Rig& rig)
{
    return SaveDataFile(rig, DataFile::Cel);
}

std::optional<std::string> SaveAll(Rig& rig)
{
    // The four files, then the settings when they need one: all written before any is renamed.
    std::array<PendingSave, 5> pending;
    const bool withSettings = settingsFileWanted(rig);
    const std::string settingsText = withSettings ? SettingsFileText(rig.Settings) : std::string();
    const std::size_t count = AllDataFiles.size() + (withSettings ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i) {
        const bool settings = i == AllDataFiles.size();
        auto error = settings
            ? writeTemporary(SettingsDescription, rig.SettingsFileName,
                std::as_bytes(std::span(settingsText)), pending[i])
            : writeTemporary(kindOf(AllDataFiles[i]).description, fileNameOf(rig, AllDataFiles[i]),
                imageOf(rig, AllDataFiles[i]), pending[i]);
        if (error) {
            for (std::size_t j = 0; j < i; ++j)
                ::unlink(pending[j].temporary.c_str());
            return error;
        }
    }
    std::optional<std::string> firstError;
    for (std::size_t i = 0; i < count; ++i) {
        const bool settings = i == AllDataFiles.size();
        auto error = commit(
            settings ? SettingsDescription : kindOf(AllDataFiles[i]).description, pending[i]);
        if (!error && settings)
            markSettingsWritten(rig, SettingsToJson(rig.Settings).dump());
        else if (!error)
            markWritten(rig, AllDataFiles[i]);
        else if (!firstError)
            firstError = std::move(error);
    }
    return firstError;
}

void SetFileNamesFromBase(Rig& rig, const std::string& base)
{
    for (const DataFile file : AllDataFiles)
        fileNameOf(rig, file) = base + std::string(extensionOf(file));
    rig.SettingsFileName = base + std::string(SettingsFileSuffix);
}

std::array<LoadResult, 4> OpenAllByBase(Rig& rig, const std::string& base)
{
    SetFileNamesFromBase(rig, base);
    std::array<LoadResult, 4> results;
    for (std::size_t i = 0; i < AllDataFiles.size(); ++i)
        results[i] = LoadDataFile(rig, AllDataFiles[i]);
    LoadSettings(rig);
    return results;
}

std::optional<std::string> LoadSettings(Rig& rig)
{
    const std::string& path = rig.SettingsFileName;
    // The flow model may change with the settings: what was computed belongs to the old ones.
    rig.ResultsCurrent = false;
    rig.Settings = {};
    rig.SettingsLastStored = {};
    const ReadOutcome outcome = readRegularFile(path, MaxSettingsFileSize + 1);
    std::string damage = outcome.error;
    // No file means the defaults, as for a data set that never had settings.
    if (outcome.errorNumber == ENOENT || outcome.errorNumber == ENOTDIR)
        return std::nullopt;
    if (damage.empty() && outcome.fileSize > MaxSettingsFileSize)
        damage = "it is larger than 1 MiB";
    if (damage.empty()) {
        const std::string_view text(
            reinterpret_cast<const char*>(outcome.bytes.data()), outcome.bytes.size());
        if (auto problem = SettingsFromFileText(text, rig.Settings))
            damage = std::move(*problem);
    }
    rig.SettingsLastStored.Settings = rig.Settings;
    if (damage.empty())
        return std::nullopt;
    rig.SettingsLastStored.DamagedPath = path;
    rig.SettingsLastStored.Damage = damage;
    return SettingsLoadProblem(rig);
}

std::optional<std::string> SettingsLoadProblem(const Rig& rig)
{
    const SettingsBaseline& baseline = rig.SettingsLastStored;
    if (baseline.Damage.empty())
        return std::nullopt;
    std::string sentence = fileTitle(SettingsDescription, baseline.DamagedPath);
    return sentence + " could not be used (" + baseline.Damage
        + "); the default settings are used.";
}

bool HasUnsavedSettings(const Rig& rig)
{
    // Stored only carries what the file held; the values are what the operator changes.
    DataSetSettings now = rig.Settings;
    DataSetSettings then = rig.SettingsLastStored.Settings;
    now.Stored.clear();
    then.Stored.clear();
    return now != then;
}

std::optional<std::string> DamagedSettingsNote(const Rig& rig)
{
    const SettingsBaseline& baseline = rig.SettingsLastStored;
    if (baseline.DamagedPath.empty() || baseline.DamagedPath != rig.SettingsFileName
        || !settingsFileWanted(rig))
        return std::nullopt;
    return fileNameOnly(baseline.DamagedPath) + " was read as a damaged settings file ("
        + baseline.Damage + ").";
}

std::string SettingsFileLabel(const Rig& rig)
{
    return "the settings file " + fileNameOnly(rig.SettingsFileName);
}

bool HasUnsavedChanges(const Rig& rig, DataFile file)
{
    const std::span<const std::byte> image = imageOf(rig, file);
    const std::vector<std::byte>& baseline = baselineOf(rig, file).Image;
    return !std::equal(image.begin(), image.end(), baseline.begin(), baseline.end());
}

std::optional<OneBased<FlowmeterRecord, MaxFlowmeters>> StoredFlowmeters(const Rig& rig)
{
    const std::vector<std::byte>& image = baselineOf(rig, DataFile::Mix).Image;
    OneBased<FlowmeterRecord, MaxFlowmeters> stages;
    if (image.size() != MaxFlowmeters * sizeof(FlowmeterRecord))
        return std::nullopt;
    for (int f = 1; f <= MaxFlowmeters; ++f)
        std::memcpy(&stages[f],
            image.data() + static_cast<std::size_t>(f - 1) * sizeof(FlowmeterRecord),
            sizeof(FlowmeterRecord));
    return stages;
}

void MarkAllUnchanged(Rig& rig)
{
    for (const DataFile file : AllDataFiles)
        takeAsBaseline(rig, file);
    rig.SettingsLastStored = { rig.Settings, {}, {} };
}

std::optional<std::string> DamagedTargetNote(const Rig& rig, DataFile file)
{
    const FileBaseline& baseline = baselineOf(rig, file);
    if (baseline.DamagedPath.empty() || baseline.DamagedPath != fileNameOf(rig, file))
        return std::nullopt;
    return fileNameOnly(baseline.DamagedPath) + " was read as a damaged "
        + std::string(kindOf(file).description) + " file (" + baseline.Damage + ").";
}

std::string DataFileLabel(const Rig& rig, DataFile file)
{
    return "the " + std::string(kindOf(file).description) + " file "
        + fileNameOnly(fileNameOf(rig, file));
}

std::string LoadSummary(std::span<const LoadResult> results)
{
    std::vector<const LoadResult*> unread;
    std::vector<const LoadResult*> damaged;
    for (const LoadResult& result : results) {
        if (result.problem.empty())
            continue;
        (result.read ? damaged : unread).push_back(&result);
    }
    std::vector<std::string> parts;
    if (!unread.empty())
        parts.push_back("Could not read " + filesWithReasons(unread));
    if (damaged.size() == 1) {
        parts.push_back(
            fileNameOnly(damaged.front()->path) + " is damaged (" + damaged.front()->reason + ")");
    } else if (!damaged.empty()) {
        std::vector<std::string> names;
        for (const LoadResult* result : damaged)
            names.push_back(fileNameOnly(result->path) + " (" + result->reason + ")");
        parts.push_back(listed(names) + " are damaged");
    }
    if (parts.empty())
        return {};
    std::string summary = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i)
        summary += "; " + parts[i];
    return summary + ".";
}

std::string BaseNameOfPath(std::string_view path)
{
    const std::size_t nameStart =
        path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1;
    // The settings file names its data set too: its suffix has two dots.
    if (path.ends_with(SettingsFileSuffix) && path.size() > nameStart + SettingsFileSuffix.size())
        return std::string(path.substr(0, path.size() - SettingsFileSuffix.size()));
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        return std::string(path);
    return std::string(path.substr(0, dot));
}

std::string DataSetBaseName(std::string_view path)
{
    const std::string base = BaseNameOfPath(path);
    if (base.size() == path.size() || path.ends_with(SettingsFileSuffix))
        return base;
    const std::string extension = upperCaseAscii(path.substr(base.size()));
    for (const DataFile file : AllDataFiles)
        if (extension == extensionOf(file))
            return base;
    return std::string(path);
}

} // namespace meldrix
