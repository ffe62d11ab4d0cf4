#pragma once
// Pictures from files, decoded with Qt's image readers under limits.

#include "platform/platform.h"

namespace platform {

class HostPictures final : public Pictures {
public:
    std::optional<Picture> load(const QString& fileName) override;
};

// One of the program's own pictures, built into it (":/pictures/…"), read
// for a screen of `ratio` device pixels to a point: its @2x drawing where
// the ratio is above 1 and there is one, marked with its own ratio. Read
// with the one image reader its kind needs, so that no other is loaded
// before it is needed (Qt would load them all to choose).
QImage readBuiltInPicture(const QString& name, qreal ratio);

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
