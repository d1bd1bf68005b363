#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A fresh temporary working directory for its lifetime, removed afterwards.
class TempDirectory {
public:
    TempDirectory() : previous_(std::filesystem::current_path())
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "talver-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("no temporary directory");
        path_ = pattern;
        std::filesystem::current_path(path_);
    }
    ~TempDirectory()
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    static void write(const std::string& name, const std::string& text)
    {
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string read(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// Runs each test in a fresh temporary working directory.
class InTempDirectory : public ::testing::Test {
protected:
    void SetUp() override
    {
        temp_ = std::make_unique<TempDirectory>();
        directory_ = temp_->path();
    }
    void TearDown() override { temp_.reset(); }

    static void write(const std::string& name, const std::string& text) { TempDirectory::write(name, text); }
    static std::string read(const std::string& name) { return TempDirectory::read(name); }

    std::filesystem::path directory_;

private:
    std::unique_ptr<TempDirectory> temp_;
};
