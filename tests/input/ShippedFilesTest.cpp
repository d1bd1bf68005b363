#include "input/ShippedFiles.h"

#include <filesystem>

#include "tests/TempDirectory.h"

namespace {

class ShippedFilesTest : public InTempDirectory {};

TEST_F(ShippedFilesTest, TheWorkingDirectorysCopyWinsThenTheProgramsOwn)
{
    // The build puts the nodes files beside the programs, this one too.
    const std::filesystem::path shipped = LocateShippedFile("nodes20.dat");
    EXPECT_TRUE(shipped.is_absolute());
    EXPECT_EQ(shipped.parent_path(), std::filesystem::read_symlink("/proc/self/exe").parent_path());

    write("nodes20.dat", "0 1\n");
    EXPECT_EQ(LocateShippedFile("nodes20.dat"), "nodes20.dat");

    // A folder of that name is no file; nothing anywhere gives the bare name.
    std::filesystem::create_directory("nodes51.dat");
    EXPECT_TRUE(std::filesystem::path(LocateShippedFile("nodes51.dat")).is_absolute());
    EXPECT_EQ(LocateShippedFile("nodes99.dat"), "nodes99.dat");
}

// An installed copy is read only where the program's folder has none.
TEST_F(ShippedFilesTest, TheProgramsFolderWinsOverTheInstalledOne)
{
    const std::filesystem::path installed = directory_ / "installed";
    std::filesystem::create_directory(installed);
    for (const char* name : {"nodes20.dat", "nodes51.dat", "nodes99.dat"})
        write((installed / name).string(), "decoy");
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(LocateShippedFile("nodes20.dat", installed.string()), (program / "nodes20.dat").string());
    EXPECT_EQ(LocateShippedFile("nodes51.dat", installed.string()), (program / "nodes51.dat").string());
    EXPECT_EQ(LocateShippedFile("nodes99.dat", installed.string()), (installed / "nodes99.dat").string());
}

}  // namespace
