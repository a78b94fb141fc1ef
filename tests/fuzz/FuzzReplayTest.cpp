// Every seed and committed reproducer, run through its fuzz target's body: a
// reproducer that fails again is a regression.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace quillon::fuzz;

namespace quillon::fuzz {
// Test names and messages show the target's name.
void PrintTo(const TFuzzTarget& target, std::ostream* os) { *os << target.Name; }
} // namespace quillon::fuzz

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

class FuzzReplay : public ::testing::TestWithParam<TFuzzTarget> {};

TEST_P(FuzzReplay, EveryCommittedInput)
{
    const fs::path folder = fs::path(QUILLON_FUZZ_DATA) / GetParam().Name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder << ": every target has seeds";
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    EXPECT_FALSE(inputs.empty());
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        const std::string data = ReadAll(input);
        try {
            GetParam().Run(data);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "escaped: " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(FuzzTargets()),
                         [](const ::testing::TestParamInfo<TFuzzTarget>& info) { return std::string(info.param.Name); });

} // namespace
