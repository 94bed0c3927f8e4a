#include "geometry/ZeroedImage.h"

#include <cstdlib>
#include <new>

namespace {

// cv::Mat's own allocator with calloc and free for the pixels.
class ZeroPages : public cv::MatAllocator {
public:
    cv::UMatData* allocate(int dims, const int* sizes, int type, void* data, size_t* step,
                           cv::AccessFlag, cv::UMatUsageFlags) const override {
        size_t total = CV_ELEM_SIZE(type);
        for (int i = dims - 1; i >= 0; --i) {
            if (step) step[i] = total;
            total *= static_cast<size_t>(sizes[i]);
        }
        void* pixels = data ? data : std::calloc(total ? total : 1, 1);
        if (!pixels) throw std::bad_alloc();
        cv::UMatData* u = new cv::UMatData(this);
        u->data = u->origdata = static_cast<uchar*>(pixels);
        u->size = total;
        if (data) u->flags |= cv::UMatData::USER_ALLOCATED;
        return u;
    }
    bool allocate(cv::UMatData* u, cv::AccessFlag, cv::UMatUsageFlags) const override {
        return u != nullptr;
    }
    void deallocate(cv::UMatData* u) const override {
        if (!u) return;
        if (!(u->flags & cv::UMatData::USER_ALLOCATED)) std::free(u->origdata);
        delete u;
    }
};

}  // namespace

cv::Mat zeroedImage(int rows, int cols, int type) {
    static ZeroPages allocator;
    cv::Mat m;
    m.allocator = &allocator;
    m.create(rows, cols, type);
    return m;
}
