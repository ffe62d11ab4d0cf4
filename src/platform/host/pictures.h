#pragma once
// Pictures from files, decoded with Qt's image readers under limits.

#include "platform/platform.h"

namespace platform {

class HostPictures final : public Pictures {
public:
    std::optional<Picture> load(const QString& fileName) override;
};

// The reasons a picture's bytes are refused before or after decoding, as a
// short text; empty when they are fine. Exposed for the tests.
QString pictureProblem(const QByteArray& bytes, QImage* decoded);

// The largest picture file read, and the most memory one decoded picture may
// take.
inline constexpr qsizetype kMaxPictureFileBytes = 32 * 1024 * 1024;
inline constexpr int kPictureAllocationLimitMb = 64;
// The most processor time decoding one picture may take: a picture of
// 16 million pixels takes about a quarter of it here; a hostile one (a
// progressive JPEG that repeats a scan thousands of times, say) would take
// minutes.
inline constexpr int kPictureDecodeBudgetMs = 1000;

} // namespace platform
