#include "fit/OutFiles.h"

#include <chrono>
#include <cinttypes>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Held by the run that is putting its reports in place.
constexpr const char* kLockFile = "OUT.lock";
// That takes a run far less than this; one that waits longer gives up.
constexpr auto kLongestWait = std::chrono::seconds(5);

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

// The folder is held through a lock the kernel keeps on an open file: it
// goes with the process, however that ends, so no lock is ever stale.
class FolderLock {
public:
    FolderLock() : fd_(acquire()) {}
    ~FolderLock()
    {
        if (fd_ >= 0) {
            // Removed while still held: a run waiting on this file finds
            // it gone and locks the next one.
            std::remove(kLockFile);
            ::close(fd_);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    // Whether fd is still the file the folder names: a run that was
    // waiting on it while its holder removed it must open it anew.
    static bool current(int fd)
    {
        struct stat held {}, named {};
        return ::fstat(fd, &held) == 0 && ::stat(kLockFile, &named) == 0 && held.st_dev == named.st_dev &&
               held.st_ino == named.st_ino;
    }

    static int acquire()
    {
        const auto giveUp = std::chrono::steady_clock::now() + kLongestWait;
        for (;;) {
            const int fd = ::open(kLockFile, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
            if (fd >= 0) {
                if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && current(fd))
                    return fd;
                ::close(fd);
            }
            if (std::chrono::steady_clock::now() > giveUp)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    int fd_;
};

}  // namespace

OutFiles::OutFiles()
{
    out_ = createTemporary(kReportFile, outName_);
    if (out_)
        outg_ = createTemporary(kGraphReportFile, outgName_);
}

OutFiles::~OutFiles()
{
    for (auto [file, name] : {std::pair{out_, &outName_}, std::pair{outg_, &outgName_}}) {
        if (file)
            std::fclose(file);
        if (!name->empty())
            std::remove(name->c_str());  // gone already once put in place
    }
}

bool OutFiles::write(const ScoreTable& table)
{
    if (!created())
        return false;
    bool written = WriteFitReport(out_, outg_, table);
    written = std::fclose(std::exchange(out_, nullptr)) == 0 && written;
    written = std::fclose(std::exchange(outg_, nullptr)) == 0 && written;
    written_ = written;
    return written;
}

bool OutFiles::place()
{
    if (!written_)
        return false;
    written_ = false;
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
    if (std::rename(outgName_.c_str(), kGraphReportFile) != 0) {
        std::remove(backup.c_str());
        return false;
    }
    if (std::rename(outName_.c_str(), kReportFile) == 0) {
        std::remove(backup.c_str());
        return true;
    }
    // The earlier OUT stands: bring its OUTG back. Should that fail too,
    // the copy stays beside them rather than be lost.
    if (hadGraph ? std::rename(backup.c_str(), kGraphReportFile) == 0 : std::remove(kGraphReportFile) == 0)
        std::remove(backup.c_str());
    return false;
}
