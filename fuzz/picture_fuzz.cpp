// Fuzz target: the platform's picture decoders, with the input taken as a
// Windows bitmap and as a JPEG file, and the decoded rows read end to end as
// the texture code reads them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/ImageDecoder.h"

namespace {
std::string g_File;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/mg-fuzz-pictures-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    g_File = std::string(folder) + "/picture";
    PlatformImageLibraryInitialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(g_File.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (ImageFileKind kind : {ImageFileKind::Bmp, ImageFileKind::Jpeg}) {
        ImageBitmap* bitmap = PlatformLoadImage(kind, g_File.c_str());
        if (!bitmap) continue;
        const unsigned height = PlatformImageHeight(bitmap), pitch = PlatformImagePitch(bitmap);
        const uint8_t* bits = PlatformImageBits(bitmap);
        unsigned sum = 0;
        // Every byte the decoder claims to have delivered must be readable.
        for (size_t i = 0; i < static_cast<size_t>(height) * pitch; i += 61) sum += bits[i];
        if (height && pitch) sum += bits[static_cast<size_t>(height) * pitch - 1];
        if (sum == 0xFFFFFFFFu) std::abort();  // keeps the reads
        PlatformUnloadImage(bitmap);
    }
    return 0;
}
