// libFuzzer entry of the target; its body is in FuzzBodies.cpp.
#include "fuzz/FuzzBodies.h"

POMI_FUZZ_TARGET("fuzz_load")
