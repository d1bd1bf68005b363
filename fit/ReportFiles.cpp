#include "fit/ReportFiles.h"

#include <chrono>
#include <cinttypes>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

namespace {

namespace fs = std::filesystem;

// Held by the run that is putting its reports in place.
constexpr const char* kLockFile = "OUT.lock";
// That takes a run far less than this; one that waits longer gives up.
constexpr auto kLongestWait = std::chrono::seconds(5);
// A lock this old was left by a run that ended before letting go of it.
constexpr auto kStaleLock = std::chrono::minutes(1);

// Never a file that was there before, nor one planted in the way.
std::FILE* createExclusively(const std::string& name) { return std::fopen(name.c_str(), "wx"); }

std::string uniqueName(const char* report)
{
    std::random_device device;
    const std::uint64_t tag = (std::uint64_t{device()} << 32) ^ device() ^
                              static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char name[64];
    std::snprintf(name, sizeof name, "%s.%016" PRIx64 ".tmp", report, tag);
    return name;
}

std::FILE* createTemporary(const char* report, std::string& name)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = uniqueName(report);
        if (std::FILE* file = createExclusively(name))
            return file;
    }
    return nullptr;
}

class FolderLock {
public:
    FolderLock() : held_(acquire()) {}
    ~FolderLock()
    {
        if (held_)
            std::remove(kLockFile);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return held_; }

private:
    static bool stale()
    {
        std::error_code error;
        const fs::file_time_type made = fs::last_write_time(kLockFile, error);
        return !error && fs::file_time_type::clock::now() - made > kStaleLock;
    }

    static bool acquire()
    {
        const auto giveUp = std::chrono::steady_clock::now() + kLongestWait;
        bool staleRemoved = false;
        for (;;) {
            if (std::FILE* lock = createExclusively(kLockFile)) {
                std::fclose(lock);
                return true;
            }
            if (!staleRemoved && stale()) {
                staleRemoved = true;
                std::error_code error;
                fs::remove(kLockFile, error);
                continue;
            }
            if (std::chrono::steady_clock::now() > giveUp)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    bool held_;
};

}  // namespace

ReportFiles::ReportFiles()
{
    out_ = createTemporary(kReportFile, outName_);
    if (out_)
        outg_ = createTemporary(kGraphReportFile, outgName_);
}

ReportFiles::~ReportFiles()
{
    for (auto [file, name] : {std::pair{out_, &outName_}, std::pair{outg_, &outgName_}}) {
        if (file)
            std::fclose(file);
        if (!name->empty())
            std::remove(name->c_str());  // gone already once put in place
    }
}

bool ReportFiles::publish(const ScoreTable& table)
{
    if (!created())
        return false;
    bool written = WriteFitReport(out_, outg_, table);
    written = std::fclose(std::exchange(out_, nullptr)) == 0 && written;
    written = std::fclose(std::exchange(outg_, nullptr)) == 0 && written;
    if (!written)
        return false;

    const FolderLock lock;
    std::error_code error;
    // A folder in the way would let one rename through and stop the other.
    if (!lock.held() || fs::is_directory(kReportFile, error) || fs::is_directory(kGraphReportFile, error))
        return false;
    // The earlier graph report is kept aside until both are in place, so
    // that a failure between the two renames can bring it back.
    const std::string backup = outgName_ + ".old";
    const bool hadGraph = fs::exists(kGraphReportFile, error);
    if (hadGraph && !fs::copy_file(kGraphReportFile, backup, error))
        return false;
    bool placed = std::rename(outgName_.c_str(), kGraphReportFile) == 0;
    if (placed && std::rename(outName_.c_str(), kReportFile) != 0) {
        placed = false;
        if (hadGraph)
            std::rename(backup.c_str(), kGraphReportFile);
        else
            std::remove(kGraphReportFile);
    }
    std::remove(backup.c_str());
    return placed;
}
