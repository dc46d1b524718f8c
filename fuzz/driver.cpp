// The libFuzzer side of one target; VM_FUZZ_TARGET names its entry point.
#include "entries.h"

#include <clocale>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // As the game runs: numbers in data files use the dot.
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VM_FUZZ_TARGET(data, size);
    return 0;
}
