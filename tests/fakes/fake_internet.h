#pragma once
// A document fetch answered from a script: each call takes the next reply
// (a text, or nothing for a failure) and records the address.

#include "platform/platform.h"

#include <QStringList>

#include <deque>
#include <functional>

namespace fakes {

class FakeInternetTransfer final : public platform::InternetTransfer {
public:
    std::optional<QString> openUrl(const QString& address) override
    {
        requests << address;
        if (whileFetching)
            whileFetching(int(requests.size()));
        if (replies.empty()) {
            error = QStringLiteral("no reply scripted");
            return std::nullopt;
        }
        std::optional<QString> reply = replies.front();
        replies.pop_front();
        if (!reply)
            error = QStringLiteral("Connection refused");
        return reply;
    }
    QString lastError() const override { return error; }

    QStringList requests;
    std::deque<std::optional<QString>> replies;
    // Runs during each fetch (with its number, from 1), as the rest of the
    // program does while the real fetch waits.
    std::function<void(int)> whileFetching;
    QString error;
};

} // namespace fakes
