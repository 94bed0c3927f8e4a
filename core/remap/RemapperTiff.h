// The remapper's own work files read without libtiff's decoder: LZW strips
// with TIFF's predictors, as nona2 writes them. libtiff walks each LZW
// string a byte at a time and undoes the predictors in separate passes;
// here a string is copied from where it appeared before in the output, runs
// of unchanged bytes are crossed a word at a time, and the strips of a file
// are decoded on two threads. Anything of another kind (other compressions,
// layouts, or a strip that does not decode cleanly) is left to the general
// readers, which also say what is wrong with it.
#pragma once

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <opencv2/core.hpp>
#include <string>

// Decodes one TIFF LZW strip (codes of 9 to 12 bits, most significant bit
// first) into `out`, which must have room for `size` + kLzwSlack bytes. True
// when the codes fill exactly `size` bytes (a code stream that goes on is cut
// there, as libtiff does); false for anything that is no such stream.
constexpr size_t kLzwSlack = 16;
bool decodeLzwStrip(const uint8_t* in, size_t inSize, uint8_t* out, size_t size);

// Both coordinate maps straight into a CV_32FC2 matrix of their size (x in
// channel 0), when both files are single-channel 32-bit float maps of the
// same size and strips, LZW without or with the floating-point predictor.
// False otherwise, `coordMap` untouched.
bool readRemapperMaps(TIFF* x, TIFF* y, cv::Mat& coordMap);

// The remapped layer as cv::imread gives it (8-bit BGRA, colours scaled by an
// unassociated alpha), when the file is 8-bit RGBA, LZW without or with
// horizontal differencing, top row first; otherwise an empty matrix.
cv::Mat readRemapperLayer(const std::string& path);
