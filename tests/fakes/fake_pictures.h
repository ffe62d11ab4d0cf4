#pragma once
// Pictures that load from nowhere: each load is recorded by its file name
// and gives a small picture that carries that name, unless the name is in
// `missing`.

#include "platform/platform.h"

#include <QSet>
#include <QStringList>

namespace fakes {

class FakePictures final : public platform::Pictures {
public:
    std::optional<platform::Picture> load(const QString& fileName) override
    {
        loaded << fileName;
        if (onLoad)
            onLoad(fileName);
        if (missing.contains(fileName))
            return std::nullopt;
        QPixmap pixmap(4, 4);
        pixmap.fill(Qt::darkBlue);
        return platform::Picture{pixmap, fileName};
    }

    QStringList loaded;
    QSet<QString> missing;
    std::function<void(const QString&)> onLoad;
};

} // namespace fakes
