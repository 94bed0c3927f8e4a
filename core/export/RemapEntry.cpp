#include "export/RemapEntry.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)
// Four entries at a time. The same single-precision arithmetic as ScalarLanes
// (subtraction, comparisons, clamping, scaling by 16, truncation) gives the
// same values lane by lane; lanes whose mask is clear carry no meaning.
struct SseLanes {
    using Float = __m128;
    using Mask = __m128;
    using Bits = __m128i;
    static Float splat(float v) { return _mm_set1_ps(v); }
    static Mask greater(Float a, Float b) { return _mm_cmpgt_ps(a, b); }
    static Mask less(Float a, Float b) { return _mm_cmplt_ps(a, b); }
    static Mask both(Mask a, Mask b) { return _mm_and_ps(a, b); }
    static Mask unless(Mask no, Mask m) { return _mm_andnot_ps(no, m); }
    static Float clamp(Float v, float hi) {
        return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(hi));
    }
    static Bits sixteenths(Float v) {
        return _mm_cvttps_epi32(_mm_mul_ps(v, _mm_set1_ps(static_cast<float>(kEntryScale))));
    }
    static Bits pack(Bits fx, Bits fy) {
        return _mm_or_si128(_mm_and_si128(fx, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(fy, 16));
    }
};
#endif

}  // namespace

bool encodeRow(const CameraSnapshot& camera, int r, int c0, int c1, int bx, int by, uint32_t* out) {
    const cv::Mat& map = camera.map;
    const cv::Mat& w = camera.weights;
    if (r < 0 || r >= map.rows || r >= w.rows) return false;
    // Only the columns inside the map and the weights image can be valid.
    const int first = std::max(c0, 0);
    const int last = std::min({c1, map.cols - 1, w.cols - 1});
    const cv::Vec2f* pos = map.ptr<cv::Vec2f>(r);
    const uint8_t* pixels = w.ptr<uint8_t>(r);  // B, G, R, weight
    const float ox = static_cast<float>(kSourceBlockWidth * bx);
    const float oy = static_cast<float>(kSourceBlockHeight * by);
    bool any = false;
    int c = first;
#if defined(__SSE2__)
    const __m128 vox = _mm_set1_ps(ox), voy = _mm_set1_ps(oy);
    __m128 anyValid = _mm_setzero_ps();
    for (; c + 3 <= last; c += 4) {
        const __m128 xy01 = _mm_loadu_ps(&pos[c][0]);
        const __m128 xy23 = _mm_loadu_ps(&pos[c + 2][0]);
        const __m128 dx = _mm_sub_ps(_mm_shuffle_ps(xy01, xy23, _MM_SHUFFLE(2, 0, 2, 0)), vox);
        const __m128 dy = _mm_sub_ps(_mm_shuffle_ps(xy01, xy23, _MM_SHUFFLE(3, 1, 3, 1)), voy);
        const __m128i weight =
            _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * c)), 24);
        const __m128 ok = entryValid<SseLanes>(
            dx, dy, _mm_castsi128_ps(_mm_cmpeq_epi32(weight, _mm_setzero_si128())));
        const __m128i bits = entryBits<SseLanes>(dx, dy);
        // Invalid lanes keep what the record holds.
        const __m128i keep = _mm_castps_si128(ok);
        __m128i* slot = reinterpret_cast<__m128i*>(out + (c - c0));
        const __m128i old = _mm_loadu_si128(slot);
        _mm_storeu_si128(slot,
                         _mm_or_si128(_mm_and_si128(keep, bits), _mm_andnot_si128(keep, old)));
        anyValid = _mm_or_ps(anyValid, ok);
    }
    any = _mm_movemask_ps(anyValid) != 0;
#endif
    for (; c <= last; ++c) {
        const float dx = pos[c][0] - ox;
        const float dy = pos[c][1] - oy;
        if (!entryValid<ScalarLanes>(dx, dy, pixels[4 * c + 3] == 0)) continue;
        out[c - c0] = entryBits<ScalarLanes>(dx, dy);
        any = true;
    }
    return any;
}
