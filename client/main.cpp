#include "shell/startup.h"

#include <cstdint>

#if defined(__ELF__)
// The file version read back by the version check: two little-endian uint32, (a<<16)|b and (c<<16)|d.
extern "C" __attribute__((section(".vek.version"), used, retain)) const std::uint32_t vek_file_version[2] = {
    (VEK_VERSION_MAJOR << 16) | VEK_VERSION_MINOR,
    (VEK_VERSION_PATCH << 16) | VEK_VERSION_TWEAK,
};
#endif

int main(int argc, char** argv)
{
    return vek::runClient(argc, argv);
}
