// The file version of the program, read back by the version check (platform/fileversion): two
// little-endian uint32 in their own ELF section, (a<<16)|b and (c<<16)|d.

#include <cstdint>

#if defined(__ELF__)
extern "C" __attribute__((section(".vek.version"), used, retain)) const std::uint32_t vek_file_version[2] = {
    (VEK_VERSION_MAJOR << 16) | VEK_VERSION_MINOR,
    (VEK_VERSION_PATCH << 16) | VEK_VERSION_TWEAK,
};
#endif
