// What Windows shows in the properties of the two DLLs: read back from their version resources
// with the Windows API, as Explorer does.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ExpectedResource {
    const char* file;
    const char* description;
};

std::vector<char> version_info(const char* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    std::vector<char> data(size);
    if (size == 0 || !GetFileVersionInfoA(file, 0, size, data.data())) data.clear();
    return data;
}

std::string string_value(std::vector<char>& data, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
        return "<none>";
    }
    return std::string(value);
}

void PrintTo(const ExpectedResource& resource, std::ostream* out) { *out << resource.file; }

class VersionResource : public ::testing::TestWithParam<ExpectedResource> {};

TEST_P(VersionResource, NamesTheProductItsVersionAndWhatTheFileIs) {
    std::vector<char> data = version_info(GetParam().file);
    ASSERT_FALSE(data.empty()) << GetParam().file << " has no version resource";

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD expected_high = MAKELONG(QUORVEL_VERSION_MINOR, QUORVEL_VERSION_MAJOR);
    const DWORD expected_low = MAKELONG(0, QUORVEL_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, expected_high);
    EXPECT_EQ(fixed->dwFileVersionLS, expected_low);
    EXPECT_EQ(fixed->dwProductVersionMS, expected_high);
    EXPECT_EQ(fixed->dwProductVersionLS, expected_low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    EXPECT_EQ(string_value(data, "ProductName"), "QuorvelWCHDLL");
    EXPECT_EQ(string_value(data, "ProductVersion"), QUORVEL_VERSION);
    EXPECT_EQ(string_value(data, "FileVersion"), QUORVEL_VERSION);
    EXPECT_EQ(string_value(data, "FileDescription"), GetParam().description);
    EXPECT_EQ(string_value(data, "OriginalFilename"), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    BothDlls, VersionResource,
    ::testing::Values(ExpectedResource{"QuorvelWCHDLL.dll", QUORVEL_DESCRIPTION},
                      ExpectedResource{"CH367DLL64.dll",
                                       "Simulator of the CH367 bridge driver library"}),
    [](const auto& info) {
        const std::string file = info.param.file;
        return file.substr(0, file.find('.'));
    });

}  // namespace
