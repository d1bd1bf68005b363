#include "tools/ChartLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kModule = "talver-chart.so";

void* openModule()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    for (const fs::path& folder : {error ? fs::path() : program.parent_path(), fs::path(TALVER_MODULE_DIR)}) {
        if (folder.empty())
            continue;
        if (void* module = dlopen((folder / kModule).c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
    }
    return nullptr;
}

void* chartModule()
{
    static void* const module = openModule();
    return module;
}

// Calls the module's function named symbol on what.
template <typename What>
bool saveThroughModule(const char* symbol, const What& what, const std::string& path, std::string& reason)
{
    void* const module = chartModule();
    using Save = bool (*)(const What*, const char*);
    const auto save = module ? reinterpret_cast<Save>(dlsym(module, symbol)) : nullptr;
    if (!save) {
        reason = std::string("cannot draw charts: ") + kModule + " is missing";
        return false;
    }
    if (!save(&what, path.c_str())) {
        reason = "cannot write the chart '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace

bool SaveChartThroughModule(const ScoreChart& chart, const std::string& path, std::string& reason)
{
    return saveThroughModule("TalverSaveScoreChart", chart, path, reason);
}

bool SaveChartThroughModule(const ItemCharts& charts, const std::string& path, std::string& reason)
{
    return saveThroughModule("TalverSaveItemCharts", charts, path, reason);
}

bool SaveChartThroughModule(const PairMap& map, const std::string& path, std::string& reason)
{
    return saveThroughModule("TalverSavePairMap", map, path, reason);
}
