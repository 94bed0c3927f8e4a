#include "ImageReader.h"

#include <png.h>
#include <tiffio.h>

#include <cerrno>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "file/InputFile.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace nona2 {
namespace {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo) {
    JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are not shown, but a file that ends before its image data does
// ("Premature end of JPEG file") is an error: libjpeg would fill the rest of
// the image with grey and call that a success.
void jpegWarning(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) jpegErrorExit(cinfo);
}

// Headers claiming more than this are refused even without an expected size.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;

// Refuses a header size that is not the expected one (or, with none expected,
// absurdly large), before anything is allocated for the pixels.
bool sizeAccepted(const std::string& path, uint64_t w, uint64_t h, cv::Size expected,
                  std::string& error) {
    if (!expected.empty() && (w != static_cast<uint64_t>(expected.width) ||
                              h != static_cast<uint64_t>(expected.height))) {
        error = path + ": image is " + std::to_string(w) + "x" + std::to_string(h) +
                " but the project says " + std::to_string(expected.width) + "x" +
                std::to_string(expected.height);
        return false;
    }
    if (w == 0 || h == 0 || w * h > kMaxPixels) {
        error = path + ": unusable image size " + std::to_string(w) + "x" + std::to_string(h);
        return false;
    }
    return true;
}

// libtiff reports through process-wide handlers, per strip and per tag: a
// damaged file can produce thousands of lines. They are counted and the
// first one kept, to be reported as one line.
struct TiffMessages {
    std::mutex mutex;
    int count = 0;
    std::string first;
};
TiffMessages& tiffMessages() {
    static TiffMessages messages;
    return messages;
}
void collectTiffMessage(const char* module, const char* fmt, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof(text), fmt, args);
    TiffMessages& m = tiffMessages();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (m.count++ == 0) m.first = std::string(module ? module : "libtiff") + ": " + text;
}
// Takes the collected messages: empty when there were none.
std::string takeTiffMessages() {
    TiffMessages& m = tiffMessages();
    std::lock_guard<std::mutex> lock(m.mutex);
    std::string summary = m.first;
    if (m.count > 1) summary += " (and " + std::to_string(m.count - 1) + " more messages)";
    m.count = 0;
    m.first.clear();
    return summary;
}

bool readJpeg(FILE* file, const std::string& path, cv::Mat& out, std::string& error,
              cv::Size expected) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegWarning;
    err.message[0] = 0;
    cv::Mat image;  // constructed before the jump target so longjmp skips no destructor
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        error = path + ": cannot decode JPEG (" + err.message + ")";
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&cinfo);
        error = path + ": CMYK JPEG images are not supported";
        return false;
    }
    if (!sizeAccepted(path, cinfo.image_width, cinfo.image_height, expected, error)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    image.create(static_cast<int>(cinfo.output_height), static_cast<int>(cinfo.output_width),
                 CV_8UC3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.ptr<uint8_t>(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    out = image;
    return true;
}

bool readPng(const std::string& path, cv::Mat& out, std::string& error, cv::Size expected) {
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = path + ": cannot decode PNG (" + png.message + ")";
        return false;
    }
    if (!sizeAccepted(path, png.width, png.height, expected, error)) {
        png_image_free(&png);
        return false;
    }
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    cv::Mat image(static_cast<int>(png.height), static_cast<int>(png.width),
                  alpha ? CV_8UC4 : CV_8UC3);
    if (!png_image_finish_read(&png, nullptr, image.data, static_cast<png_int_32>(image.step[0]),
                               nullptr)) {
        error = path + ": cannot decode PNG (" + png.message + ")";
        png_image_free(&png);
        return false;
    }
    out = image;
    return true;
}

bool decodeTiff(const std::string& path, cv::Mat& out, std::string& error, cv::Size expected);

bool readTiff(const std::string& path, cv::Mat& out, std::string& error, cv::Size expected) {
    const TIFFErrorHandler warnings = TIFFSetWarningHandler(collectTiffMessage);
    const TIFFErrorHandler errors = TIFFSetErrorHandler(collectTiffMessage);
    takeTiffMessages();
    const bool ok = decodeTiff(path, out, error, expected);
    const std::string messages = takeTiffMessages();
    TIFFSetWarningHandler(warnings);
    TIFFSetErrorHandler(errors);
    if (!ok && !messages.empty()) error += " (" + messages + ")";
    if (ok && !messages.empty())
        std::fprintf(stderr, "nona2: warning: %s: %s\n", path.c_str(), messages.c_str());
    return ok;
}

bool decodeTiff(const std::string& path, cv::Mat& out, std::string& error, cv::Size expected) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) {
        error = path + ": cannot open TIFF";
        return false;
    }
    uint32_t w = 0, h = 0;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    const bool alpha =
        TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) == 1 && extraCount > 0;
    if (!sizeAccepted(path, w, h, expected, error)) {
        TIFFClose(tif);
        return false;
    }
    std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
    // Stop at the first strip that cannot be read: a truncated file is an
    // error, not an image with a missing part.
    const int ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 1);
    TIFFClose(tif);
    if (!ok) {
        error = path + ": cannot decode TIFF";
        return false;
    }
    cv::Mat image(static_cast<int>(h), static_cast<int>(w), alpha ? CV_8UC4 : CV_8UC3);
    const int channels = image.channels();
    for (int y = 0; y < image.rows; ++y) {
        uint8_t* px = image.ptr<uint8_t>(y);
        const uint32_t* src = raster.data() + static_cast<size_t>(y) * w;
        for (uint32_t x = 0; x < w; ++x, px += channels) {
            px[0] = static_cast<uint8_t>(TIFFGetB(src[x]));
            px[1] = static_cast<uint8_t>(TIFFGetG(src[x]));
            px[2] = static_cast<uint8_t>(TIFFGetR(src[x]));
            if (alpha) px[3] = static_cast<uint8_t>(TIFFGetA(src[x]));
        }
    }
    out = image;
    return true;
}

}  // namespace

bool readImage(const std::string& path, cv::Mat& out, std::string& error, cv::Size expected) {
    // A pipe would block the open or the read, a device never end it.
    if (const std::string why = regularFileProblem(path); !why.empty()) {
        error = shortenedName(path) + ": cannot read the image: " + why;
        return false;
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = shortenedName(path) + ": cannot open the image (" + std::strerror(errno) + ")";
        return false;
    }
    unsigned char magic[8] = {0};
    const size_t got = std::fread(magic, 1, sizeof(magic), file.get());
    // Messages name the file, shortened: a project may give a name of megabytes.
    bool ok = false;
    if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
        std::rewind(file.get());
        ok = readJpeg(file.get(), path, out, error, expected);
    } else if (file.reset(); got >= 8 && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) {
        ok = readPng(path, out, error, expected);
    } else if (got >= 4 &&
               (std::memcmp(magic, "II*\0", 4) == 0 || std::memcmp(magic, "MM\0*", 4) == 0)) {
        ok = readTiff(path, out, error, expected);
    } else {
        error = path + ": not a JPEG, PNG or TIFF image";
    }
    if (!ok && error.compare(0, path.size(), path) == 0)
        error = shortenedName(path) + error.substr(path.size());
    return ok;
}

bool loadSourceImage(const ImageDesc& image, cv::Mat& out, std::string& error) {
    if (!readImage(image.path, out, error, cv::Size(image.width, image.height))) return false;
    if (out.cols != image.width || out.rows != image.height) {
        error = shortenedName(image.path) + ": image is " + std::to_string(out.cols) + "x" +
                std::to_string(out.rows) + " but the project says " + std::to_string(image.width) +
                "x" + std::to_string(image.height);
        return false;
    }
    return true;
}

}  // namespace nona2
