#include "input/ShippedFiles.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

const char* const kInstalledDataFolder = TALVER_DATA_DIR;

std::string LocateShippedFile(const std::string& name, const std::string& installedFolder)
{
    std::error_code error;
    if (fs::is_regular_file(name, error))
        return name;
    std::vector<fs::path> folders;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.push_back(program.parent_path());
    folders.emplace_back(installedFolder);
    for (const fs::path& folder : folders) {
        const fs::path candidate = folder / name;
        if (fs::is_regular_file(candidate, error))
            return candidate.string();
    }
    return name;
}
