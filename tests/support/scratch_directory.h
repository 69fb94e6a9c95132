// A fixture for tests that run host programs in processes of their own: a scratch directory for
// each test, removed after it, and the text of the files the programs leave there.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The whole text of the file at `path`; empty when it can't be read.
inline std::string read_text(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

class ScratchDirectoryTest : public ::testing::Test {
protected:
    // `prefix` begins the directory's name in the temporary directory.
    explicit ScratchDirectoryTest(std::string prefix) : prefix_(std::move(prefix)) {}

    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix_ + "_XXXXXX")).string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    std::filesystem::path path(const std::string& name) const { return directory_ / name; }

    std::filesystem::path directory_;

private:
    std::string prefix_;
};
