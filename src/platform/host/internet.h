#pragma once
// The document fetch over real HTTP, bounded in time and size, headers and
// all, honouring the user's proxy settings: with libcurl on Linux
// (linux/fetch_libcurl.cpp), with Qt's network module on Windows
// (windows/fetch_qt_network.cpp).

#include "platform/platform.h"

#include <QByteArray>
#include <QUrl>
#include <memory>
#include <optional>

namespace platform {

class HostInternetTransfer final : public InternetTransfer {
public:
    HostInternetTransfer();
    ~HostInternetTransfer() override;
    std::optional<QString> openUrl(const QString& address) override;
    QString lastError() const override { return error_; }

private:
    struct Session;
    std::unique_ptr<Session> session_;
    QString error_;
};

// Limits of one fetch: the whole transfer, the document's size, and the
// size of the reply's status line and headers together.
inline constexpr int kFetchDeadlineMs = 5000;
inline constexpr qsizetype kMaxDocumentBytes = 64 * 1024;
inline constexpr qsizetype kMaxHeaderBytes = 16 * 1024;

// The document's bytes as text: UTF-8 when they are valid UTF-8 (a leading
// byte-order mark is dropped), GBK otherwise; bytes that are neither leave a
// replacement character (U+FFFD) in the text.
QString documentText(const QByteArray& bytes);

// A fetch of `url` that failed: keeps why in `error`, says it on standard
// error, and gives no document.
std::nullopt_t fetchFailed(QString& error, const QUrl& url, const QString& why);

} // namespace platform
