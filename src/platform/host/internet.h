#pragma once
// The document fetch over real HTTP with QNetworkAccessManager, bounded in
// time and size, honouring the user's proxy settings.

#include "platform/platform.h"

#include <QByteArray>
#include <memory>

class QNetworkAccessManager;

namespace platform {

class HostInternetTransfer final : public InternetTransfer {
public:
    HostInternetTransfer();
    ~HostInternetTransfer() override;
    std::optional<QString> openUrl(const QString& address) override;
    QString lastError() const override { return error_; }

private:
    std::unique_ptr<QNetworkAccessManager> network_;
    QString error_;
};

// Limits of one fetch: the whole transfer, and the document's size.
inline constexpr int kFetchDeadlineMs = 5000;
inline constexpr qsizetype kMaxDocumentBytes = 64 * 1024;

// The document's bytes as text: UTF-8 when they are valid UTF-8 (a leading
// byte-order mark is dropped), GBK otherwise; bytes that are neither leave a
// replacement character (U+FFFD) in the text.
QString documentText(const QByteArray& bytes);

} // namespace platform
