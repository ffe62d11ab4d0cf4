#include "internet.h"

#include "console.h"

#include <QEventLoop>
#include <QUrl>

#include <curl/curl.h>

#include <memory>
#include <thread>

namespace platform {

namespace {

// What one transfer leaves behind, filled in by the thread that runs it.
struct Transfer {
    QByteArray body;
    qsizetype headerBytes = 0;
    QString tooLarge; // why the transfer was cut off by us, if it was
    CURLcode result = CURLE_OK;
    long status = 0;
    char error[CURL_ERROR_SIZE] = {};
};

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->body.size() + qsizetype(bytes) > kMaxDocumentBytes) {
        transfer->tooLarge = QStringLiteral("the document is larger than %1 KiB").arg(kMaxDocumentBytes / 1024);
        return 0; // ends the transfer
    }
    transfer->body.append(data, qsizetype(bytes));
    return bytes;
}

size_t onHeader(char*, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer->headerBytes += qsizetype(bytes);
    if (transfer->headerBytes > kMaxHeaderBytes) {
        transfer->tooLarge = QStringLiteral("the reply's headers are larger than %1 KiB").arg(kMaxHeaderBytes / 1024);
        return 0;
    }
    return bytes;
}

} // namespace

// libcurl bounds every part of a reply (a status or header line, all the
// headers, a chunk's size line) where Qt 6.4's network module lets the
// headers grow without end.
struct HostInternetTransfer::Session {
    Session() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

HostInternetTransfer::HostInternetTransfer() = default;
HostInternetTransfer::~HostInternetTransfer() = default;

std::optional<QString> HostInternetTransfer::openUrl(const QString& address)
{
    if (!session_)
        session_ = std::make_unique<Session>(); // before any thread uses libcurl
    const QUrl url(QStringLiteral("http://") + address);
    const auto fail = [&](const QString& why) -> std::optional<QString> {
        error_ = why;
        writeErrorLine(QStringLiteral("fetching %1 failed: %2").arg(url.toString(), why));
        return std::nullopt;
    };
    if (!url.isValid() || url.host().isEmpty())
        return fail(QStringLiteral("not a valid address"));

    // The transfer runs on a thread of its own; the program's other windows
    // and timers go on meanwhile, and the call returns when it is over.
    const auto transfer = std::make_shared<Transfer>();
    const QByteArray encoded = url.toEncoded();
    QEventLoop loop;
    std::thread worker([transfer, encoded, &loop] {
        CURL* curl = curl_easy_init();
        if (!curl) {
            transfer->result = CURLE_FAILED_INIT;
        } else {
            curl_easy_setopt(curl, CURLOPT_URL, encoded.constData());
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
            // The deadline is over the whole transfer: a server that trickles
            // a byte now and then is cut off too.
            curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(kFetchDeadlineMs));
            curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
            curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
            curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
            // Compressed replies are welcome; what counts is the size
            // unpacked, so a small bomb is cut off at the limit.
            curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
            curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaxDocumentBytes));
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, transfer.get());
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, transfer.get());
            curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, transfer->error);
            curl_easy_setopt(curl, CURLOPT_USERAGENT, "vesperon");
            // Proxies as desktop programs take them: http_proxy, no_proxy.
            transfer->result = curl_easy_perform(curl);
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &transfer->status);
            curl_easy_cleanup(curl);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The quit may come while a box the user opened meanwhile runs its own
    // loop: this one returns when that box is closed.
    loop.exec();
    worker.join();

    QString why = transfer->tooLarge;
    if (why.isEmpty() && transfer->result == CURLE_FILESIZE_EXCEEDED)
        why = QStringLiteral("the document is larger than %1 KiB").arg(kMaxDocumentBytes / 1024);
    if (why.isEmpty() && transfer->result == CURLE_OPERATION_TIMEDOUT)
        why = QStringLiteral("no complete answer within %1 s").arg(kFetchDeadlineMs / 1000);
    if (why.isEmpty() && transfer->result != CURLE_OK)
        why = QString::fromUtf8(transfer->error[0] ? transfer->error : curl_easy_strerror(transfer->result));
    if (why.isEmpty() && (transfer->status < 200 || transfer->status > 299))
        why = QStringLiteral("HTTP status %1").arg(transfer->status);
    if (!why.isEmpty())
        return fail(why);
    error_.clear();
    return documentText(transfer->body);
}

} // namespace platform
