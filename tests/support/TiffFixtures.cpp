#include "TiffFixtures.h"

#include <tiffio.h>

#include <vector>

bool writeMapTiff(const std::string& path, const cv::Mat& values, const MapTiffLayout& layout) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    const uint32_t w = static_cast<uint32_t>(values.cols), h = static_cast<uint32_t>(values.rows);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, layout.sampleFormat);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 layout.samplesPerPixel == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    const size_t pixelBytes =
        static_cast<size_t>(layout.samplesPerPixel * layout.bitsPerSample / 8);
    const size_t rowBytes = pixelBytes * w;
    std::vector<uint8_t> data(rowBytes * h, 0);
    if (layout.bitsPerSample == 32 && layout.samplesPerPixel == 1 && values.type() == CV_32FC1)
        for (uint32_t r = 0; r < h; ++r)
            memcpy(&data[r * rowBytes], values.ptr(static_cast<int>(r)), rowBytes);
    bool ok = true;
    if (layout.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        std::vector<uint8_t> tile(TIFFTileSize(tif), 0);
        for (uint32_t t = 0; t < TIFFNumberOfTiles(tif); ++t)
            ok = ok && TIFFWriteEncodedTile(tif, t, tile.data(), tile.size()) >= 0;
    } else {
        const uint32_t rps =
            layout.rowsPerStrip > 0 ? static_cast<uint32_t>(layout.rowsPerStrip) : h;
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rps);
        for (uint32_t s = 0; s * rps < h; ++s) {
            if (layout.stripsWritten >= 0 && s >= static_cast<uint32_t>(layout.stripsWritten))
                break;
            const uint32_t rows = std::min(rps, h - s * rps);
            ok = ok &&
                 TIFFWriteEncodedStrip(tif, s, &data[s * rps * rowBytes], rows * rowBytes) >= 0;
        }
    }
    TIFFClose(tif);
    return ok;
}

bool writeImageTiff(const std::string& path, const cv::Mat& bgra, float xPosition,
                    float yPosition) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    const uint32_t w = static_cast<uint32_t>(bgra.cols), h = static_cast<uint32_t>(bgra.rows);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
    if (xPosition >= 0) TIFFSetField(tif, TIFFTAG_XPOSITION, xPosition);
    if (yPosition >= 0) TIFFSetField(tif, TIFFTAG_YPOSITION, yPosition);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 150.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 150.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    for (uint32_t r = 0; r < h; ++r)
        for (uint32_t c = 0; c < w; ++c) {
            const cv::Vec4b p = bgra.at<cv::Vec4b>(static_cast<int>(r), static_cast<int>(c));
            uint8_t* o = &rgba[(static_cast<size_t>(r) * w + c) * 4];
            o[0] = p[2];
            o[1] = p[1];
            o[2] = p[0];
            o[3] = p[3];
        }
    const bool ok =
        TIFFWriteEncodedStrip(tif, 0, rgba.data(), static_cast<tmsize_t>(rgba.size())) >= 0;
    TIFFClose(tif);
    return ok;
}
