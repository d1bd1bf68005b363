#include "tools/ChartLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr const char* kModule = "talver-chart.so";

struct Module {
    void* handle = nullptr;
    std::string why;  // when there is none
};

Module openModule()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    Module module{nullptr, std::string(kModule) + " is missing"};
    for (const fs::path& folder : {error ? fs::path() : program.parent_path(), fs::path(TALVER_MODULE_DIR)}) {
        if (folder.empty())
            continue;
        const fs::path path = folder / kModule;
        if ((module.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)))
            return module;
        // There, but not loaded (short of memory, a library it lacks): say so.
        if (fs::exists(path, error)) {
            const char* why = dlerror();
            module.why = "cannot load " + path.string() + (why ? std::string(": ") + why : std::string());
            return module;
        }
    }
    return module;
}

const Module& chartModule()
{
    static const Module module = openModule();
    return module;
}

// Calls the module's function named symbol on what.
template <typename What>
bool saveThroughModule(const char* symbol, const What& what, const std::string& path, std::string& reason,
                       const char* noun = "chart")
{
    const Module& module = chartModule();
    using Save = bool (*)(const What*, const char*);
    const auto save = module.handle ? reinterpret_cast<Save>(dlsym(module.handle, symbol)) : nullptr;
    if (!save) {
        reason = "cannot draw charts: " + (module.handle ? std::string(kModule) + " lacks " + symbol : module.why);
        return false;
    }
    if (!save(&what, path.c_str())) {
        reason = std::string("cannot write the ") + noun + " '" + path + "'";
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

bool SaveChartThroughModule(const PersonHistogram& histogram, const std::string& path, std::string& reason)
{
    return saveThroughModule("TalverSavePersonHistogram", histogram, path, reason);
}

bool SaveReportThroughModule(const Report& report, const std::string& path, std::string& reason)
{
    return saveThroughModule("TalverSaveReportPdf", report, path, reason, "report");
}
