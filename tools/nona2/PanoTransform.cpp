#include "PanoTransform.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <pano13/filter.h>
}

namespace nona2 {
namespace {

// The same direction in -180..180: libpano13 brings angles into range by
// adding or subtracting 360 one step at a time.
double inRange(double degrees) {
    return std::isfinite(degrees) ? std::remainder(degrees, 360.0) : 0.0;
}

// Positions this far out come from libpano13's "cannot see" sentinel values
// (for example 1.6e16 behind a rectilinear lens), never from a real pixel.
constexpr double kUndefinedBeyond = 1e7;

int lensFormat(int huginProjection) {
    switch (huginProjection) {
        case 0:
            return _rectilinear;
        case 1:
            return _panorama;
        case 2:
            return _fisheye_circ;
        case 3:
            return _fisheye_ff;
        case 4:
            return _equirectangular;
        case 8:
            return _orthographic;
        case 10:
            return _stereographic;
        case 20:
            return _thoby;
        case 21:
            return _equisolid;
        default:
            return -1;
    }
}

void fillCorrections(cPrefs& p, const ImageDesc& img) {
    SetCorrectDefaults(&p);
    const double a = img.var("a"), b = img.var("b"), c = img.var("c");
    if (a != 0.0 || b != 0.0 || c != 0.0) {
        p.radial = 1;
        for (int k = 0; k < 3; ++k) {
            p.radial_params[k][3] = a;
            p.radial_params[k][2] = b;
            p.radial_params[k][1] = c;
            p.radial_params[k][0] = 1.0 - (a + b + c);
        }
    } else {
        p.radial = 0;
    }
    const double e = img.var("e"), d = img.var("d");
    p.vertical = e != 0.0;
    p.horizontal = d != 0.0;
    for (int k = 0; k < 3; ++k) {
        p.vertical_params[k] = e;
        p.horizontal_params[k] = d;
    }
    p.trans_x = img.var("TrX");
    p.trans_y = img.var("TrY");
    p.trans_z = img.var("TrZ");
    p.trans = p.trans_x != 0.0 || p.trans_y != 0.0 || p.trans_z != 0.0;
    p.trans_yaw = p.trans ? inRange(img.var("Tpy")) : 0.0;
    p.trans_pitch = p.trans ? inRange(img.var("Tpp")) : 0.0;
    const double g = img.var("g"), t = img.var("t");
    p.shear = g != 0.0 || t != 0.0;
    p.shear_x = g;
    p.shear_y = t;
    p.resize = 0;
    p.luminance = 0;
    p.cutFrame = 0;
    p.fourier = 0;
    SetCorrectionRadius(&p);
}

}  // namespace

struct PanoTransform::Data {
    Image src;
    Image dst;
    MakeParams mp;
    fDesc stack[32];
    // Centre offsets of the input and output sides.
    double inX = 0, inY = 0, outX = 0, outY = 0;
};

PanoTransform::PanoTransform() : d_(new Data) {}
PanoTransform::~PanoTransform() = default;

bool PanoTransform::init(const PanoOptions& pano, const ImageDesc& image, Direction direction,
                         std::string& error) {
    Data& d = *d_;
    std::memset(&d.src, 0, sizeof(d.src));
    std::memset(&d.dst, 0, sizeof(d.dst));
    std::memset(&d.mp, 0, sizeof(d.mp));
    std::memset(d.stack, 0, sizeof(d.stack));

    SetImageDefaults(&d.dst);
    d.dst.width = static_cast<uint32_t>(pano.width);
    d.dst.height = static_cast<uint32_t>(pano.height);
    d.dst.bytesPerLine = d.dst.width * 3;
    d.dst.bitsPerPixel = 24;
    d.dst.dataSize = static_cast<size_t>(d.dst.height) * d.dst.bytesPerLine;
    d.dst.data = nullptr;
    pano_projection_features features;
    std::memset(&features, 0, sizeof(features));
    if (!panoProjectionFeaturesQuery(pano.projection, &features)) {
        error = "panorama projection f" + std::to_string(pano.projection) +
                " is not supported by libpano13";
        return false;
    }
    d.dst.format = features.internalFormat;
    d.dst.formatParamCount = features.numberOfParameters;
    for (int k = 0; k < features.numberOfParameters && k < PANO_PROJECTION_MAX_PARMS; ++k) {
        d.dst.formatParam[k] = k < static_cast<int>(pano.projectionParams.size())
                                   ? pano.projectionParams[static_cast<size_t>(k)]
                                   : features.parm[k].defValue;
    }
    d.dst.hfov = pano.hfov;

    SetImageDefaults(&d.src);
    d.src.width = static_cast<uint32_t>(image.width);
    d.src.height = static_cast<uint32_t>(image.height);
    d.src.bytesPerLine = d.src.width * 3;
    d.src.bitsPerPixel = 24;
    d.src.dataSize = static_cast<size_t>(d.src.height) * d.src.bytesPerLine;
    d.src.data = nullptr;
    d.src.dataformat = _RGB;
    const int format = lensFormat(image.projection);
    if (format < 0) {
        error = "lens projection f" + std::to_string(image.projection) + " is not supported";
        return false;
    }
    d.src.format = format;
    d.src.hfov = image.var("v");
    d.src.yaw = inRange(image.var("y"));
    d.src.pitch = inRange(image.var("p"));
    d.src.roll = inRange(image.var("r"));
    fillCorrections(d.src.cP, image);
    d.src.name[0] = 0;
    d.src.selection.top = 0;
    d.src.selection.left = 0;
    d.src.selection.right = static_cast<int32_t>(d.src.width);
    d.src.selection.bottom = static_cast<int32_t>(d.src.height);
    if (!(d.src.hfov > 0)) {
        error = "image field of view v must be positive";
        return false;
    }

    const double panoCX = pano.width / 2.0, panoCY = pano.height / 2.0;
    const double imgCX = image.width / 2.0, imgCY = image.height / 2.0;
    if (direction == Direction::PanoToSource) {
        SetMakeParams(d.stack, &d.mp, &d.src, &d.dst, 0);
        d.inX = panoCX, d.inY = panoCY, d.outX = imgCX, d.outY = imgCY;
    } else {
        SetInvMakeParams(d.stack, &d.mp, &d.src, &d.dst, 0);
        d.inX = imgCX, d.inY = imgCY, d.outX = panoCX, d.outY = panoCY;
    }
    return true;
}

bool PanoTransform::map(double x, double y, double& outX, double& outY) const {
    const Data& d = *d_;
    double tx = 0, ty = 0;
    if (!execute_stack_new(x - d.inX + 0.5, y - d.inY + 0.5, &tx, &ty, const_cast<fDesc*>(d.stack)))
        return false;
    if (!std::isfinite(tx) || !std::isfinite(ty) || std::fabs(tx) > kUndefinedBeyond ||
        std::fabs(ty) > kUndefinedBeyond)
        return false;
    outX = tx + d.outX - 0.5;
    outY = ty + d.outY - 0.5;
    return true;
}

}  // namespace nona2
