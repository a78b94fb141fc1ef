// The libFuzzer entry of one target; QUILLON_FUZZ_ENTRY names its body.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillon::fuzz::QUILLON_FUZZ_ENTRY(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
