#include "host_run.h"

#include <gtest/gtest.h>

#include "ch367sim.h"
#include "output_files.h"
#include "temp_path.h"

namespace {

std::filesystem::path output_directory;

class OutputDirectory : public ::testing::Environment {
public:
    void SetUp() override {
        output_directory = unique_temp_path("ch367sim-outputs");
        set_environment("CH367SIM_OUTPUT_DIR", output_directory.string());
    }
    void TearDown() override { std::filesystem::remove_all(output_directory); }
};

}  // namespace

void run_on_card(const std::function<void(DioMasterHandle*)>& host) {
    ch367sim_reset();
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    ASSERT_EQ(status, DIO_OK);
    host(card);
    DioClose(card);
}

std::filesystem::path output_file(const char* name) { return output_directory / name; }

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new OutputDirectory);
    return RUN_ALL_TESTS();
}
