// Decoding with the Windows Imaging Component (Windows): Windows's own PNG decoder, which Wine
// implements too.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <initguid.h>  // the WIC class and format GUIDs are defined here, not imported
#include <wincodec.h>

#include <climits>
#include <utility>

#include "png_files.h"

namespace pngfiles {

namespace {

// Releases a COM interface when it goes out of scope.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** out() { return &pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// COM for this thread while decoding. A thread that already has COM in another apartment
// model keeps it; WIC works in either.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

ReadResult decode_with(IWICImagingFactory* factory, const std::uint8_t* bytes, std::size_t size,
                       RgbaPicture& picture) {
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
    // Only the PNG decoder: a file in another format is no PNG.
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size))) ||
        FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.out())) ||
        FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&width, &height))) {
        return ReadResult::not_png;
    }
    // BGRA is the target every WIC converter has; the bytes are put in RGBA order below.
    ComPtr<IWICFormatConverter> converter;
    const std::size_t stride = std::size_t{width} * 4;
    if (stride > UINT_MAX || stride * height > UINT_MAX ||
        FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return ReadResult::not_png;
    }
    std::vector<std::uint8_t> rgba(stride * height);
    if (FAILED(converter->CopyPixels(nullptr, static_cast<UINT>(stride),
                                     static_cast<UINT>(rgba.size()), rgba.data()))) {
        return ReadResult::not_png;
    }
    for (std::size_t at = 0; at < rgba.size(); at += 4) std::swap(rgba[at], rgba[at + 2]);
    picture = {width, height, std::move(rgba)};
    return ReadResult::read;
}

}  // namespace

ReadResult decode_png_pixels(const std::uint8_t* bytes, std::size_t size, RgbaPicture& picture) {
    if (size > ULONG_MAX) return ReadResult::not_png;
    const ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())))) {
        return ReadResult::not_png;
    }
    return decode_with(factory.get(), bytes, size, picture);
}

}  // namespace pngfiles
