#include "fetch_libcurl.h"

#include "platform/host/console.h"
#include "platform/host/internet.h"

#include <QEventLoop>
#include <QUrl>

#include <dlfcn.h>

#include <memory>
#include <thread>

namespace platform {

namespace {

// What one transfer leaves behind, filled in by the thread that runs it.
struct Transfer {
    QByteArray body;
    qsizetype headerBytes = 0;
    QString tooLarge; // why the transfer was cut off by us, if it was
    QString refused;  // why it was not made: libcurl refused an option
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

QString limitProtocols(CurlSetopt setopt, CURL* handle)
{
    // HTTP and HTTPS only, redirects included: a redirect to file:// or
    // another protocol is refused. libcurl 7.85 and later take the names;
    // older ones (back to 7.19.4) the bits, which the newer still take.
    if (setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK
        && setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK)
        return QString();
    const long http = CURLPROTO_HTTP | CURLPROTO_HTTPS;
    CURLcode protocols = CURLE_UNKNOWN_OPTION, redirects = CURLE_UNKNOWN_OPTION;
    CURL_IGNORE_DEPRECATION(protocols = setopt(handle, CURLOPT_PROTOCOLS, http);
                            redirects = setopt(handle, CURLOPT_REDIR_PROTOCOLS, http);)
    if (protocols == CURLE_OK && redirects == CURLE_OK)
        return QString();
    return QStringLiteral("this libcurl cannot be limited to HTTP and HTTPS");
}

// libcurl bounds every part of a reply (a status or header line, all the
// headers, a chunk's size line) where Qt 6.4's network module lets the
// headers grow without end. It is loaded the first time the update check
// runs, not at start: it brings some twenty libraries of its own (TLS,
// Kerberos, LDAP, ...) that the start of the program and its idle memory
// would otherwise pay for.
struct HostInternetTransfer::Session {
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_setopt) setopt = nullptr;
    decltype(&::curl_easy_perform) perform = nullptr;
    decltype(&::curl_easy_getinfo) getinfo = nullptr;
    decltype(&::curl_easy_cleanup) cleanup = nullptr;
    decltype(&::curl_easy_strerror) describe = nullptr;
    QString missing; // why libcurl cannot be used, if it cannot

    Session()
    {
        void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            missing = QStringLiteral("libcurl is not installed (%1)").arg(QString::fromLocal8Bit(::dlerror()));
            return;
        }
        const auto find = [library, this](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
            if (!function && missing.isEmpty())
                missing = QStringLiteral("libcurl has no %1").arg(QLatin1String(name));
        };
        find(globalInit, "curl_global_init");
        find(easyInit, "curl_easy_init");
        find(setopt, "curl_easy_setopt");
        find(perform, "curl_easy_perform");
        find(getinfo, "curl_easy_getinfo");
        find(cleanup, "curl_easy_cleanup");
        find(describe, "curl_easy_strerror");
        if (missing.isEmpty())
            globalInit(CURL_GLOBAL_DEFAULT);
    }
};

HostInternetTransfer::HostInternetTransfer() = default;
HostInternetTransfer::~HostInternetTransfer() = default;

std::optional<QString> HostInternetTransfer::openUrl(const QString& address)
{
    if (!session_)
        session_ = std::make_unique<Session>(); // before any thread uses libcurl
    const QUrl url(QStringLiteral("http://") + address);
    if (!url.isValid() || url.host().isEmpty())
        return fetchFailed(error_, url, QStringLiteral("not a valid address"));
    if (!session_->missing.isEmpty())
        return fetchFailed(error_, url, session_->missing);
    const Session& curl = *session_;

    // The transfer runs on a thread of its own; the program's other windows
    // and timers go on meanwhile, and the call returns when it is over.
    const auto transfer = std::make_shared<Transfer>();
    const QByteArray encoded = url.toEncoded();
    QEventLoop loop;
    std::thread worker([transfer, encoded, &loop, &curl] {
        CURL* handle = curl.easyInit();
        if (!handle) {
            transfer->result = CURLE_FAILED_INIT;
        } else {
            // Each option is checked: a transfer libcurl would make other
            // than asked for (unbounded, say) is not made at all.
            const auto setopt = [&](CURLoption option, auto value) {
                const CURLcode result = curl.setopt(handle, option, value);
                if (result != CURLE_OK && transfer->refused.isEmpty())
                    transfer->refused = QStringLiteral("libcurl refused option %1: %2")
                                            .arg(int(option))
                                            .arg(QString::fromUtf8(curl.describe(result)));
            };
            setopt(CURLOPT_URL, encoded.constData());
            setopt(CURLOPT_NOSIGNAL, 1L);
            // The deadline is over the whole transfer: a server that trickles
            // a byte now and then is cut off too.
            setopt(CURLOPT_TIMEOUT_MS, long(kFetchDeadlineMs));
            setopt(CURLOPT_FOLLOWLOCATION, 1L);
            setopt(CURLOPT_MAXREDIRS, 5L);
            if (const QString why = limitProtocols(curl.setopt, handle); !why.isEmpty() && transfer->refused.isEmpty())
                transfer->refused = why;
            // Compressed replies are welcome; what counts is the size
            // unpacked, so a small bomb is cut off at the limit.
            setopt(CURLOPT_ACCEPT_ENCODING, "");
            setopt(CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaxDocumentBytes));
            setopt(CURLOPT_WRITEFUNCTION, onBody);
            setopt(CURLOPT_WRITEDATA, transfer.get());
            setopt(CURLOPT_HEADERFUNCTION, onHeader);
            setopt(CURLOPT_HEADERDATA, transfer.get());
            setopt(CURLOPT_ERRORBUFFER, transfer->error);
            setopt(CURLOPT_USERAGENT, "vesperon");
            // Proxies as desktop programs take them: http_proxy, no_proxy.
            if (transfer->refused.isEmpty()) {
                transfer->result = curl.perform(handle);
                curl.getinfo(handle, CURLINFO_RESPONSE_CODE, &transfer->status);
            }
            curl.cleanup(handle);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The quit may come while a box the user opened meanwhile runs its own
    // loop: this one returns when that box is closed.
    loop.exec();
    worker.join();

    QString why = transfer->refused.isEmpty() ? transfer->tooLarge : transfer->refused;
    if (why.isEmpty() && transfer->result == CURLE_FILESIZE_EXCEEDED)
        why = QStringLiteral("the document is larger than %1 KiB").arg(kMaxDocumentBytes / 1024);
    if (why.isEmpty() && transfer->result == CURLE_OPERATION_TIMEDOUT)
        why = QStringLiteral("no complete answer within %1 s").arg(kFetchDeadlineMs / 1000);
    if (why.isEmpty() && transfer->result != CURLE_OK)
        why = QString::fromUtf8(transfer->error[0] ? transfer->error : curl.describe(transfer->result));
    if (why.isEmpty() && (transfer->status < 200 || transfer->status > 299))
        why = QStringLiteral("HTTP status %1").arg(transfer->status);
    if (!why.isEmpty())
        return fetchFailed(error_, url, why);
    error_.clear();
    return documentText(transfer->body);
}

} // namespace platform
