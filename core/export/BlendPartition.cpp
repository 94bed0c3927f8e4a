#include "export/BlendPartition.h"

BlendPartition blendPartition(int W, int N) {
    BlendPartition p;
    p.W = W;
    if (N < 1 || N > kMaxBlendCameras) return p;
    p.blockWidth = (3000 / N) / BlendPartition::kAlignment * BlendPartition::kAlignment;
    p.blockCount = W > 0 ? (W + p.blockWidth - 1) / p.blockWidth : 0;
    return p;
}

std::optional<ExportResult> checkBlendCameraCount(int N, const std::string& path) {
    if (N >= 1 && N <= kMaxBlendCameras) return std::nullopt;
    return failExport(path, "Too many cameras for the blend table: %d (at most %d)\r\n", N,
                      kMaxBlendCameras);
}

ExportResult blendTableMisaligned(const BlendTableOutcome& outcome, const std::string& path) {
    return failExport(path, "blend table do not 4 byte align pixlen:%d pos.x:%d\r\n", outcome.width,
                      outcome.x);
}
