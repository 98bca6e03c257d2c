// JPEG through the Windows Imaging Component, the system's own codec, kept up
// to date with the system. The file is decoded from memory, so the same size
// checks as for every other picture apply before any pixel is made.
#include "platform/win32/WinInclude.h"

#include <objbase.h>
#include <wincodec.h>

#include <vector>

#include "platform/common/DecodedImage.h"

namespace {
template <typename T>
struct ComRef {
    T* p = nullptr;
    ~ComRef() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

// COM for this thread for the length of one decode; a thread that already
// has it (the dialog's) keeps it as it was.
struct ComScope {
    bool mine;
    ComScope() {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        mine = SUCCEEDED(hr);
    }
    ~ComScope() {
        if (mine) CoUninitialize();
    }
};
// Rows of `bytes` per pixel (1: grey, 3: blue-green-red, 4: with alpha) into
// the bitmap's 24-bit rows; the codec gives top-down rows, the bitmap keeps
// the bottom row first.
bool CopyRows(IWICBitmapSource* source, unsigned bytes, ImageBitmap& bitmap) {
    const UINT w = bitmap.width, h = bitmap.height;
    std::vector<BYTE> row(static_cast<size_t>(w) * bytes);
    for (UINT y = 0; y < h; ++y) {
        const WICRect line = {0, static_cast<INT>(y), static_cast<INT>(w), 1};
        if (FAILED(source->CopyPixels(&line, static_cast<UINT>(row.size()), static_cast<UINT>(row.size()), row.data())))
            return false;
        BYTE* dst = bitmap.bits.data() + static_cast<size_t>(h - 1 - y) * bitmap.pitch;
        for (UINT x = 0; x < w; ++x) {
            const BYTE* p = row.data() + static_cast<size_t>(x) * bytes;
            dst[x * 3 + 0] = p[0];
            dst[x * 3 + 1] = bytes == 1 ? p[0] : p[1];
            dst[x * 3 + 2] = bytes == 1 ? p[0] : p[2];
        }
    }
    return true;
}
}  // namespace

ImageBitmap* DecodeJpeg(const uint8_t* data, size_t size, ImageLoadInfo& info) {
    if (size > 0x7FFFFFFF) return nullptr;
    ComScope com;
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory)))) {
        info.status = ImageLoadStatus::NoMemory;
        return nullptr;
    }
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    info.status = ImageLoadStatus::Damaged;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) ||
        FAILED(factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, &decoder)) ||
        FAILED(decoder->Initialize(stream.p, WICDecodeMetadataCacheOnDemand)) || FAILED(decoder->GetFrame(0, &frame)))
        return nullptr;
    UINT w = 0, h = 0;
    if (FAILED(frame->GetSize(&w, &h))) return nullptr;
    // The frame header first: a forged size is refused before any pixel is made.
    info.width = w;
    info.height = h;
    if (!ImageSizeAllowed(info.width, info.height)) {
        info.status = ImageLoadStatus::TooLarge;
        return nullptr;
    }
    ImageBitmap* bitmap = NewImageBitmap(w, h);
    if (!bitmap) {
        info.status = ImageLoadStatus::NoMemory;
        return nullptr;
    }
    // Not every converter reaches 24-bit blue-green-red from every JPEG
    // colour space (Wine's fails on greyscale), so the rows are taken in the
    // first form that delivers them, and widened here. Greyscale is read as
    // it is stored.
    WICPixelFormatGUID stored{};
    frame->GetPixelFormat(&stored);
    struct Form {
        const GUID* format;
        unsigned bytes;  // per pixel
    };
    static const Form kForms[] = {{&GUID_WICPixelFormat8bppGray, 1},
                                  {&GUID_WICPixelFormat24bppBGR, 3},
                                  {&GUID_WICPixelFormat32bppBGRA, 4}};
    for (const Form& form : kForms) {
        ComRef<IWICBitmapSource> converted;
        IWICBitmapSource* source = frame.p;
        if (*form.format == GUID_WICPixelFormat8bppGray) {
            if (stored != GUID_WICPixelFormat8bppGray) continue;
        } else if (FAILED(WICConvertBitmapSource(*form.format, frame.p, &converted))) {
            continue;
        } else {
            source = converted.p;
        }
        if (CopyRows(source, form.bytes, *bitmap)) return bitmap;
    }
    delete bitmap;
    return nullptr;
}

// The codec decodes the whole frame on the first rows asked for anyway; the
// picture is decoded whole here and handed out by rows.
std::unique_ptr<ImageRowReader> OpenJpegRows(std::vector<uint8_t>&& data, ImageLoadInfo& info) {
    return RowsOfBitmap(DecodeJpeg(data.data(), data.size(), info));
}
