#include "geometry/IncrementalCropFeather.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool covers(const std::vector<ColumnRange>& ranges, int column) {
    for (const ColumnRange& r : ranges)
        if (r.from <= column && column <= r.to) return true;
    return false;
}

// Columns in exactly one of the two (normalized) lists.
std::vector<ColumnRange> symmetricDifference(const std::vector<ColumnRange>& a,
                                             const std::vector<ColumnRange>& b) {
    std::vector<int> cuts;
    for (const auto* list : {&a, &b})
        for (const ColumnRange& r : *list) {
            cuts.push_back(r.from);
            cuts.push_back(r.to + 1);
        }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<ColumnRange> out;
    for (size_t i = 0; i + 1 < cuts.size(); ++i)
        if (covers(a, cuts[i]) != covers(b, cuts[i])) out.push_back({cuts[i], cuts[i + 1] - 1});
    return out;
}

// The transitions of a row after clearing `cleared`, from the transitions of the
// uncropped row: validity can only change where the source's does or where a
// cleared range begins or ends, so only those columns are looked at.
void croppedTransitions(const RampTransition* source, size_t count,
                        const std::vector<ColumnRange>& cleared, int width,
                        std::vector<RampTransition>& out) {
    out.clear();
    bool inside = true, sourceValid = true, inCleared = false;
    size_t i = 0, j = 0;
    const size_t bounds = 2 * cleared.size();
    auto boundAt = [&](size_t b) { return b % 2 ? cleared[b / 2].to + 1 : cleared[b / 2].from; };
    while (i < count || j < bounds) {
        const int k =
            std::min(i < count ? source[i].column : width, j < bounds ? boundAt(j) : width);
        if (k >= width) break;
        for (; i < count && source[i].column == k; ++i) sourceValid = source[i].start;
        for (; j < bounds && boundAt(j) == k; ++j) inCleared = j % 2 == 0;
        const bool valid = sourceValid && !inCleared;
        if (valid != inside) {
            inside = valid;
            out.push_back({k, valid});
        }
    }
}

bool contains(const std::vector<RampTransition>& list, const RampTransition& t) {
    return std::find(list.begin(), list.end(), t) != list.end();
}

// Gathers the rows' changed column ranges into a few rectangles for the texture
// upload and the coverage check: a range joins the rectangle that covered an
// overlapping range in the row above, as long as the two are no more than
// twice as wide together as the narrower of them, so straight edges give one
// tall rectangle, slanted ones a short staircase, and the rows where two
// ramps meet do not merge the ramps of every other row into one.
class AreaCollector {
public:
    void addRow(int row, const std::vector<ColumnRange>& ranges) {
        for (const ColumnRange& r : ranges) {
            Open* joined = nullptr;
            for (Open& o : open_) {
                if (o.bottom < row - 1) continue;
                const int from = std::min(o.from, r.from), to = std::max(o.to, r.to);
                const int narrower = std::min(o.to - o.from, r.to - r.from) + 1;
                if (std::max(o.from, r.from) <= std::min(o.to, r.to) + 1 &&
                    to - from + 1 <= 2 * narrower) {
                    o.from = from;
                    o.to = to;
                    o.bottom = row;
                    joined = &o;
                    break;
                }
            }
            if (!joined) open_.push_back({r.from, r.to, row, row});
        }
        close(row);
    }
    std::vector<cv::Rect> finish() {
        close(-1);
        return std::move(done_);
    }

private:
    struct Open {
        int from, to, top, bottom;
    };
    // Rectangles that got nothing from `row` are complete.
    void close(int row) {
        auto complete = [&](const Open& o) {
            if (o.bottom >= row && row >= 0) return false;
            done_.emplace_back(o.from, o.top, o.to - o.from + 1, o.bottom - o.top + 1);
            return true;
        };
        open_.erase(std::remove_if(open_.begin(), open_.end(), complete), open_.end());
    }
    std::vector<Open> open_;
    std::vector<cv::Rect> done_;
};

}  // namespace

void IncrementalCropFeather::clear() {
    source_.release();
    target_.release();
    cleared_.clear();
    startWidth_ = endWidth_ = 0;
    rowFirst_.clear();
    transitions_.clear();
    regions_.clear();
}

const std::vector<cv::Rect>& IncrementalCropFeather::validRegions(const cv::Mat& src,
                                                                  const cv::Mat& dst) {
    static const std::vector<cv::Rect> none;
    if (target_.empty() || src.data != source_.data || dst.data != target_.data ||
        src.size() != source_.size() || dst.size() != target_.size())
        return none;
    if (!regions_.empty()) return regions_;
    if (rowFirst_.empty()) scanSource();
    // Valid runs of a row lie between a start and the next end (before the
    // first end when the row begins valid).
    const int w = source_.cols;
    auto forEachRun = [&](auto&& visit) {
        for (int r = 0; r < source_.rows; ++r) {
            int from = 0;
            bool inside = true;
            for (int i = rowFirst_[static_cast<size_t>(r)];
                 i < rowFirst_[static_cast<size_t>(r) + 1]; ++i) {
                const RampTransition& t = transitions_[static_cast<size_t>(i)];
                if (t.start) {
                    from = t.column;
                } else if (t.column > from) {
                    visit(r, from, t.column - 1);
                }
                inside = t.start;
            }
            if (inside) visit(r, from, w - 1);
        }
    };
    std::vector<int> count(static_cast<size_t>(w) + 1, 0);
    forEachRun([&](int, int a, int b) {
        ++count[static_cast<size_t>(a)];
        --count[static_cast<size_t>(b) + 1];
    });
    // Maximal runs of occupied columns; a row's run lies inside exactly one.
    std::vector<int> regionOf(static_cast<size_t>(w), -1), top, bottom;
    for (int c = 0, depth = 0; c < w; ++c) {
        depth += count[static_cast<size_t>(c)];
        if (depth == 0) continue;
        if (c == 0 || regionOf[static_cast<size_t>(c) - 1] < 0) {
            regions_.emplace_back(c, 0, 0, 0);
            top.push_back(source_.rows);
            bottom.push_back(-1);
        }
        ++regions_.back().width;
        regionOf[static_cast<size_t>(c)] = static_cast<int>(regions_.size()) - 1;
    }
    forEachRun([&](int r, int a, int) {
        const size_t i = static_cast<size_t>(regionOf[static_cast<size_t>(a)]);
        top[i] = std::min(top[i], r);
        bottom[i] = std::max(bottom[i], r);
    });
    for (size_t i = 0; i < regions_.size(); ++i) {
        regions_[i].y = top[i];
        regions_[i].height = bottom[i] - top[i] + 1;
    }
    return regions_;
}

bool IncrementalCropFeather::holdsResultOf(const cv::Mat& src, const cv::Mat& dst) const {
    if (target_.empty() || src.data != source_.data || src.size() != source_.size() ||
        src.step != source_.step || src.type() != source_.type())
        return false;
    // Only this object and the caller's dst may hold the buffer: anyone else
    // (an export snapshot, a copied camera) keeps the pixels they were given.
    return dst.data == target_.data && dst.size() == target_.size() && dst.step == target_.step &&
           dst.type() == target_.type() && target_.u && target_.u->refcount == 2;
}

void IncrementalCropFeather::scanSource() {
    rowFirst_.assign(1, 0);
    transitions_.clear();
    std::vector<RampTransition> row;
    for (int r = 0; r < source_.rows; ++r) {
        findRowTransitions(source_.ptr<uchar>(r), source_.cols, row);
        transitions_.insert(transitions_.end(), row.begin(), row.end());
        rowFirst_.push_back(static_cast<int>(transitions_.size()));
    }
}

std::vector<cv::Rect> IncrementalCropFeather::apply(const cv::Mat& src, cv::Mat& dst,
                                                    const CropPlan& plan) {
    CV_Assert(src.type() == CV_8UC4);
    const int w = src.cols;
    std::vector<ColumnRange> cleared = normalizedRanges(plan.cleared, w);
    if (!holdsResultOf(src, dst)) {
        const bool sameSource =
            src.data == source_.data && src.size() == source_.size() && src.step == source_.step;
        target_.release();
        copyCropFeather(src, dst, cleared, plan.startWidth, plan.endWidth);
        if (!sameSource) {
            source_ = src;
            rowFirst_.clear();
            transitions_.clear();
            regions_.clear();
        }
        target_ = dst;
        cleared_ = std::move(cleared);
        startWidth_ = plan.startWidth;
        endWidth_ = plan.endWidth;
        weightChanges_ = {cv::Rect(0, 0, w, src.rows)};
        return weightChanges_;
    }
    const bool sameStart = plan.startWidth == startWidth_, sameEnd = plan.endWidth == endWidth_;
    if (cleared.size() == cleared_.size() && sameStart && sameEnd &&
        std::equal(cleared.begin(), cleared.end(), cleared_.begin(),
                   [](const ColumnRange& a, const ColumnRange& b) {
                       return a.from == b.from && a.to == b.to;
                   })) {
        weightChanges_.clear();
        return {};
    }
    if (rowFirst_.empty()) scanSource();

    // A pixel changes only if its column changed between cleared and kept, or a
    // ramp covering it appeared, disappeared or changed width.
    const std::vector<ColumnRange> flipped = symmetricDifference(cleared_, cleared);
    std::vector<RampTransition> before, after;
    std::vector<ColumnRange> dirty, changed;
    std::vector<uchar> scratch(static_cast<size_t>(w) * 4);
    AreaCollector areas, zeroes;
    std::vector<ColumnRange> turned;
    for (int r = 0; r < src.rows; ++r) {
        const RampTransition* source = transitions_.data() + rowFirst_[static_cast<size_t>(r)];
        const size_t count = static_cast<size_t>(rowFirst_[static_cast<size_t>(r) + 1] -
                                                 rowFirst_[static_cast<size_t>(r)]);
        croppedTransitions(source, count, cleared_, w, before);
        croppedTransitions(source, count, cleared, w, after);
        dirty = flipped;
        for (const RampTransition& t : before)
            if (!((t.start ? sameStart : sameEnd) && contains(after, t)))
                dirty.push_back(rampColumns(t, w, startWidth_, endWidth_));
        for (const RampTransition& t : after)
            if (!((t.start ? sameStart : sameEnd) && contains(before, t)))
                dirty.push_back(rampColumns(t, w, plan.startWidth, plan.endWidth));
        if (dirty.empty()) continue;
        dirty = normalizedRanges(std::move(dirty), w);
        if (dirty.empty()) continue;

        // Each part is computed in a scratch row and only the pixels that differ
        // are written and reported: clearing a transparent stretch, or ramps
        // over it, often changes nothing.
        const uchar* s = src.ptr<uchar>(r);
        uchar* d = dst.ptr<uchar>(r);
        changed.clear();
        turned.clear();
        for (const ColumnRange& part : dirty) {
            const size_t from = static_cast<size_t>(part.from) * 4;
            const size_t bytes = static_cast<size_t>(part.to - part.from + 1) * 4;
            std::memcpy(scratch.data() + from, s + from, bytes);
            for (const ColumnRange& c : cleared) {
                const int a = std::max(c.from, part.from), b = std::min(c.to, part.to);
                if (a <= b)
                    std::memset(scratch.data() + static_cast<size_t>(a) * 4, 0,
                                static_cast<size_t>(b - a + 1) * 4);
            }
            applyRowRamps(scratch.data(), w, after, plan.startWidth, plan.endWidth, part.from,
                          part.to);
            const uint32_t* now = reinterpret_cast<const uint32_t*>(scratch.data());
            const uint32_t* was = reinterpret_cast<const uint32_t*>(d);
            int first = part.from, last = part.to;
            while (first <= last && now[first] == was[first]) ++first;
            while (last >= first && now[last] == was[last]) --last;
            if (first > last) continue;
            // Where a weight turned to or from 0: all the coverage check needs.
            auto turnsAt = [&](int k) { return ((now[k] >> 24) == 0) != ((was[k] >> 24) == 0); };
            int flipFirst = first, flipLast = last;
            while (flipFirst <= flipLast && !turnsAt(flipFirst)) ++flipFirst;
            while (flipLast >= flipFirst && !turnsAt(flipLast)) --flipLast;
            if (flipFirst <= flipLast) turned.push_back({flipFirst, flipLast});
            std::memcpy(d + static_cast<size_t>(first) * 4,
                        scratch.data() + static_cast<size_t>(first) * 4,
                        static_cast<size_t>(last - first + 1) * 4);
            changed.push_back({first, last});
        }
        if (!changed.empty()) areas.addRow(r, changed);
        if (!turned.empty()) zeroes.addRow(r, turned);
    }
    cleared_ = std::move(cleared);
    startWidth_ = plan.startWidth;
    endWidth_ = plan.endWidth;
    weightChanges_ = zeroes.finish();
    return areas.finish();
}
