// What the two decoders share: the decoded picture itself and how it is made.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ImageDecoder.h"

struct ImageBitmap {
    unsigned width = 0, height = 0, pitch = 0;
    std::vector<uint8_t> bits;  // blue, green, red; bottom row first
};

// A zeroed w x h picture, or null when the memory cannot be had.
ImageBitmap* NewImageBitmap(unsigned width, unsigned height);

// Our own reader for every Windows bitmap variant: OS/2 and Windows headers up
// to V5; 1, 4, 8 bits with a palette, RLE4 and RLE8; 16 and 32 bits with
// default or given channel masks; 24 bits; bottom-up and top-down rows.
ImageBitmap* DecodeBmp(const uint8_t* data, size_t size, ImageLoadInfo& info);

// The platform's JPEG decoder. It reads the frame header first and refuses a
// size ImageSizeAllowed refuses (TooLarge) before allocating; anything it
// cannot decode, a file cut short included, is Damaged.
ImageBitmap* DecodeJpeg(const uint8_t* data, size_t size, ImageLoadInfo& info);

// The rows of a picture already decoded whole, top row first.
std::unique_ptr<ImageRowReader> RowsOfBitmap(ImageBitmap* bitmap);

// The platform's JPEG decoder, by rows, over the file's bytes (which it keeps);
// null with `info` set as DecodeJpeg sets it when the header cannot be used.
std::unique_ptr<ImageRowReader> OpenJpegRows(std::vector<uint8_t>&& data, ImageLoadInfo& info);
