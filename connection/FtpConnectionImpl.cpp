#include "connection/FtpConnectionImpl.h"

#include "connection/FtpFaultInjection.h"
#include "connection/FtpLog.h"
#include "connection/FtpWire.h"
#include "platform/RegularFile.h"
#include "platform/WorkerThread.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <stop_token>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long one curl_multi_poll may sleep when nothing happens. A stop wakes
// the poll at once; the bound only keeps the loop looking at the stop flag
// should a wake-up ever be missed.
constexpr int kPollMs = 20;

// Upload chunk: the size of libcurl's upload buffer, and so of every read
// from the local file.
constexpr long kUploadBufferSize = 512 * 1024;

// A unit's program folder lists a handful of names; a listing larger than
// this is not one we asked for.
constexpr std::size_t kMaxListingBytes = 4 * 1024 * 1024;

// Keep the logged-in connection however long the operator waits between
// operations; idle control connections are checked by TCP keep-alive.
constexpr long kMaxIdleSeconds = 365L * 24 * 60 * 60;
constexpr long kKeepAliveIdleSeconds = 60;
constexpr long kKeepAliveIntervalSeconds = 30;

// How long closing the connection waits for the reply to QUIT.
constexpr long kQuitReplySeconds = 2;

long wholeSeconds(std::chrono::milliseconds ms)
{
    const long long seconds = (ms.count() + 999) / 1000;
    return static_cast<long>(std::max<long long>(seconds, 1));
}

size_t discardBody(char*, size_t size, size_t count, void*)
{
    return size * count;
}

struct LocalFile
{
    int fd = -1;
    ~LocalFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

size_t readLocalFile(char* buffer, size_t size, size_t count, void* userp)
{
    const int fd = static_cast<LocalFile*>(userp)->fd;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size * count);
        if (got >= 0)
            return static_cast<size_t>(got);
        if (errno != EINTR)
            return CURL_READFUNC_ABORT;
    }
}

// Set as the open-socket callback of a request that may only use the
// connection already open: a new one is never made.
curl_socket_t refuseNewConnection(void*, curlsocktype, curl_sockaddr*)
{
    return CURL_SOCKET_BAD;
}

struct SlistDeleter
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

} // namespace

CFtpConnection::Impl::Impl(std::string host, INTERNET_PORT port, std::string user,
                           std::string password, bool passive)
    : m_rootUrl("ftp://" + host + ":" + std::to_string(port) + "/"), m_user(std::move(user)),
      m_password(std::move(password)), m_passive(passive), m_easy(curl_easy_init()),
      m_multi(curl_multi_init())
{}

CFtpConnection::Impl::~Impl()
{
    if (m_easy != nullptr && m_multi != nullptr) {
        // Cleaning up the multi handle closes the cached control connection
        // with a QUIT, and waits for its reply as long as the handle added
        // last allowed for replies (minutes, after an upload). Adding the
        // easy handle once more with a short bound makes that the bound.
        curl_easy_reset(m_easy);
        curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, kQuitReplySeconds);
        if (curl_multi_add_handle(m_multi, m_easy) == CURLM_OK)
            curl_multi_remove_handle(m_multi, m_easy);
    }
    if (m_multi != nullptr)
        curl_multi_cleanup(m_multi);
    if (m_easy != nullptr)
        curl_easy_cleanup(m_easy);
}

bool CFtpConnection::Impl::beginOperation()
{
    // Nothing an earlier operation left may reach this one: not its result,
    // not its reply, not a listing it was receiving or the flag that ended
    // one (the progress callback would end every later transfer at once),
    // not a stop that ended it.
    lastCurlCode = CURLE_OK;
    lastReplyCode = 0;
    lastReplyLine.clear();
    m_replies.reset();
    m_listing = nullptr;
    m_listingTooLarge = false;
    m_stopping.store(false);
    // Options point at what the last operation had on its stack (its local
    // file, its QUOTE list); none of them may carry over.
    if (m_easy != nullptr)
        curl_easy_reset(m_easy);
    if (CWinThread::CurrentStopToken().stop_requested()) {
        lastCurlCode = CURLE_ABORTED_BY_CALLBACK;
        return false;
    }
    return true;
}

BOOL CFtpConnection::Impl::refuse(CURLcode why)
{
    lastCurlCode = why;
    return FALSE;
}

void CFtpConnection::Impl::prepare(const std::string& url)
{
    const FtpBounds bounds = ftpBoundsInForce();

    curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(m_easy, CURLOPT_USERNAME, m_user.c_str());
    curl_easy_setopt(m_easy, CURLOPT_PASSWORD, m_password.c_str());
    curl_easy_setopt(m_easy, CURLOPT_IPRESOLVE, long(CURL_IPRESOLVE_V4));
    // The unit is on the local network: a proxy from the environment must
    // never carry its traffic.
    curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
    curl_easy_setopt(m_easy, CURLOPT_NOPROXY, "*");

    // Plain PASV or PORT, which small embedded servers understand, and the
    // data connection always to the address the control connection uses.
    curl_easy_setopt(m_easy, CURLOPT_FTP_USE_EPSV, 0L);
    curl_easy_setopt(m_easy, CURLOPT_FTP_USE_EPRT, 0L);
    curl_easy_setopt(m_easy, CURLOPT_FTP_SKIP_PASV_IP, 1L);
    if (!m_passive)
        curl_easy_setopt(m_easy, CURLOPT_FTPPORT, "-");
    // Paths go to the server whole, as given: no CWD into their folders, no
    // squashing of "." or ".." segments.
    curl_easy_setopt(m_easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(m_easy, CURLOPT_PATH_AS_IS, 1L);

    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_MAXAGE_CONN, kMaxIdleSeconds);
    curl_easy_setopt(m_easy, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(m_easy, CURLOPT_TCP_KEEPIDLE, kKeepAliveIdleSeconds);
    curl_easy_setopt(m_easy, CURLOPT_TCP_KEEPINTVL, kKeepAliveIntervalSeconds);

    // A reconnection within an operation gets the connect bound for its
    // TCP handshake; every reply, the final one after an upload included,
    // gets the response bound; a transfer that moves nothing fails.
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(bounds.connectAndLogin.count()));
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, wholeSeconds(bounds.serverResponse));
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, wholeSeconds(bounds.stalledTransfer));

    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(m_easy, CURLOPT_XFERINFOFUNCTION, &Impl::onProgress);
    curl_easy_setopt(m_easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &discardBody);

    // Commands and replies for the support log.
    if (ftp_log::enabled())
        watchTraffic();
}

void CFtpConnection::Impl::watchTraffic()
{
    curl_easy_setopt(m_easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGFUNCTION, &Impl::onDebug);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGDATA, this);
}

CURLcode CFtpConnection::Impl::perform()
{
    auto wake = [this]() noexcept {
        m_stopping.store(true);
        curl_multi_wakeup(m_multi);
    };
    // Runs wake at once when the stop came before this point.
    const std::stop_callback onStop(CWinThread::CurrentStopToken(), wake);

    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        lastCurlCode = CURLE_FAILED_INIT;
        return CURLE_FAILED_INIT;
    }

    CURLcode result = CURLE_FAILED_INIT;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK)
            break;
        bool finished = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy) {
                result = message->data.result;
                finished = true;
            }
        }
        if (finished || running == 0)
            break;
        if (m_stopping.load()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_poll(m_multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK)
            break;
    }
    // Also ends a transfer libcurl has not finished (a stop): libcurl then
    // closes that connection instead of caching it.
    curl_multi_remove_handle(m_multi, m_easy);

    if (m_stopping.load())
        result = CURLE_ABORTED_BY_CALLBACK;
    lastReplyCode = m_replies.lastCode();
    lastReplyLine = m_replies.lastLine();
    if (lastReplyCode == 0) {
        long code = 0;
        if (curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK)
            lastReplyCode = code;
    }
    lastCurlCode = result;
    return result;
}

CURLcode CFtpConnection::Impl::connect()
{
    const CURLcode result = logIn();
    if (result != CURLE_OK)
        logFailure("login to", m_rootUrl);
    return result;
}

BOOL CFtpConnection::Impl::put(const std::string& localFile, const std::string& remoteFile)
{
    return logFailureOf(sendFile(localFile, remoteFile), "upload of", remoteFile);
}

BOOL CFtpConnection::Impl::remove(const std::string& remoteFile)
{
    return logFailureOf(removeFile(remoteFile), "removal of", remoteFile);
}

bool CFtpConnection::Impl::list(const std::string& path, std::string& data)
{
    return logFailureOf(fetchListing(path, data), "listing of", path);
}

void CFtpConnection::Impl::logFailure(const char* what, const std::string& target) const
{
    ftp_log::failed(std::string(what) + " " + target, lastCurlCode,
                    !lastReplyLine.empty() || lastReplyCode == 0 ? lastReplyLine
                                                                 : std::to_string(lastReplyCode));
}

CURLcode CFtpConnection::Impl::logIn()
{
    beginOperation();
    if (!valid()) {
        lastCurlCode = CURLE_OUT_OF_MEMORY;
        return CURLE_OUT_OF_MEMORY;
    }
    const auto bound = ftpBoundsInForce().connectAndLogin;
    prepare(m_rootUrl);
    // NOBODY on the root logs in and stops there, leaving the logged-in
    // connection in the cache for the operations that follow.
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, static_cast<long>(bound.count()));
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, wholeSeconds(bound));
    return perform();
}

BOOL CFtpConnection::Impl::sendFile(const std::string& localFile, const std::string& remoteFile)
{
    if (!beginOperation())
        return FALSE;
    const auto request = ftp_detail::toWire(ftp_detail::FtpOperation::Store, remoteFile);
    if (!request)
        return refuse(CURLE_URL_MALFORMAT);

    // Before any command for the transfer: a name that leads to a FIFO, a
    // device or a folder fails here at once, with nothing sent.
    LocalFile file;
    file.fd = OpenRegularFileForReading(localFile);
    struct stat status
    {};
    if (file.fd < 0 || ::fstat(file.fd, &status) != 0)
        return refuse(CURLE_READ_ERROR);
    ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    prepare(m_rootUrl + request->urlPath);
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &readLocalFile);
    curl_easy_setopt(m_easy, CURLOPT_READDATA, &file);
    curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(status.st_size));
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferSize);
    // libcurl has checked the final reply (226 or 250) and that the server
    // took as many bytes as the file holds.
    if (perform() != CURLE_OK)
        return FALSE;
    curl_off_t sent = status.st_size;
    curl_easy_getinfo(m_easy, CURLINFO_SIZE_UPLOAD_T, &sent);
    return checkStoredSize(request->command, remoteFile, sent);
}

BOOL CFtpConnection::Impl::checkStoredSize(const std::string& question,
                                           const std::string& remoteFile, curl_off_t sent)
{
    // Unless the unit's answer says otherwise, the store stands as the unit
    // reported it, its final reply included.
    const long storeCode = lastReplyCode;
    const std::string storeLine = lastReplyLine;
    const auto asReported = [&]() -> BOOL {
        lastCurlCode = CURLE_OK;
        lastReplyCode = storeCode;
        lastReplyLine = storeLine;
        return TRUE;
    };
    const auto unchecked = [&](const std::string& why) {
        ftp_log::note("upload of " + remoteFile + " not verified: " + why);
        return asReported();
    };

    m_replies.reset();
    curl_easy_reset(m_easy);
    if (CWinThread::CurrentStopToken().stop_requested())
        return refuse(CURLE_ABORTED_BY_CALLBACK);
    Slist quote(curl_slist_append(nullptr, question.c_str()));
    if (!quote)
        return unchecked("no memory to ask SIZE");

    // NOBODY on the root with a QUOTE sends the QUOTE line and nothing else
    // (no TYPE, no REST), on the store's connection, still in binary mode.
    // Should the unit have closed it, no new one is made: that would log in
    // again and ask in the server's default ASCII mode.
    const auto bound = ftpBoundsInForce().sizeAnswer;
    prepare(m_rootUrl);
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, quote.get());
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETFUNCTION, &refuseNewConnection);
    curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, static_cast<long>(bound.count()));
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, wholeSeconds(bound));
    // A stop ends the wait as it ends an upload. Any other failure closes the
    // connection, so that a late answer cannot pass for the reply to a later
    // command.
    const CURLcode result = perform();
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, nullptr);
    if (result == CURLE_ABORTED_BY_CALLBACK)
        return FALSE;

    const std::string answer = m_replies.lastLine();
    if (result == CURLE_COULDNT_CONNECT)
        return unchecked("the unit closed the connection after the store");
    if (result == CURLE_OPERATION_TIMEDOUT && answer.empty())
        return unchecked("no answer to SIZE within " + std::to_string(wholeSeconds(bound)) + " s");
    if (result != CURLE_OK)
        return unchecked("the connection failed at SIZE (libcurl result " + std::to_string(result) +
                         ", " + curl_easy_strerror(result) +
                         "), answer: " + (answer.empty() ? std::string("none") : answer));
    if (m_replies.lastCode() >= 400)
        return unchecked("the unit refused SIZE: " + answer);
    const std::optional<std::uint64_t> held = ftp_detail::sizeInReply(answer);
    if (!held)
        return unchecked("the answer to SIZE holds no size: " + answer);

    const std::string counts =
        std::to_string(*held) + " bytes of " + std::to_string(sent) + " sent";
    ftp_log::note("upload of " + remoteFile + ": the unit holds " + counts);
    if (*held != static_cast<std::uint64_t>(sent)) {
        // The unit confirmed a file it did not keep whole.
        lastCurlCode = CURLE_PARTIAL_FILE;
        lastReplyCode = m_replies.lastCode();
        lastReplyLine = answer;
        return FALSE;
    }
    return asReported();
}

BOOL CFtpConnection::Impl::removeFile(const std::string& remoteFile)
{
    if (!beginOperation())
        return FALSE;
    const auto request = ftp_detail::toWire(ftp_detail::FtpOperation::Remove, remoteFile);
    if (!request)
        return refuse(CURLE_URL_MALFORMAT);

    // libcurl keeps the connection when the DELE is refused; whether the
    // file went is in the reply, the last one of the operation.
    Slist quote(curl_slist_append(nullptr, request->command.c_str()));
    if (!quote)
        return refuse(CURLE_OUT_OF_MEMORY);
    prepare(m_rootUrl + request->urlPath);
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, quote.get());
    const CURLcode result = perform();
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, nullptr);
    return result == CURLE_OK && lastReplyCode >= 200 && lastReplyCode < 300 ? TRUE : FALSE;
}

bool CFtpConnection::Impl::fetchListing(const std::string& path, std::string& data)
{
    data.clear();
    if (!beginOperation())
        return false;
    const auto request = ftp_detail::toWire(ftp_detail::FtpOperation::List, path);
    if (!request) {
        lastCurlCode = CURLE_URL_MALFORMAT;
        return false;
    }

    prepare(m_rootUrl + request->urlPath);
    curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, request->command.c_str());
    // libcurl fetches listings in ASCII mode and turns every CR of the data
    // into LF before the write callback sees it, so that a name holding a
    // bare CR would arrive as two names. Its debug callback gets the bytes
    // as they came off the data connection, before that: the listing is
    // taken from there, and the write callback only ends an oversized one.
    m_listing = &data;
    watchTraffic();
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Impl::onListingData);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    const CURLcode result = perform();
    m_listing = nullptr;
    if (m_listingTooLarge)
        ftp_log::note("listing of " + path + " is larger than " + std::to_string(kMaxListingBytes) +
                      " bytes");
    if (result != CURLE_OK || m_listingTooLarge) {
        data.clear();
        return false;
    }
    return true;
}

size_t CFtpConnection::Impl::onHeader(char* data, size_t size, size_t count, void* self)
{
    const size_t bytes = size * count;
    static_cast<Impl*>(self)->m_replies.feed(std::string_view(data, bytes));
    return bytes;
}

int CFtpConnection::Impl::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    auto* impl = static_cast<Impl*>(self);
    switch (type) {
    case CURLINFO_HEADER_OUT:
        ftp_log::sent(std::string_view(data, size));
        return 0;
    case CURLINFO_HEADER_IN:
        ftp_log::received(std::string_view(data, size));
        return 0;
    case CURLINFO_DATA_IN:
        break;
    default:
        return 0;
    }
    if (impl->m_listing == nullptr || impl->m_listingTooLarge)
        return 0;
    if (impl->m_listing->size() + size > kMaxListingBytes) {
        // Ended by the write or the progress callback, whichever comes first.
        impl->m_listingTooLarge = true;
        return 0;
    }
    impl->m_listing->append(data, size);
    return 0;
}

size_t CFtpConnection::Impl::onListingData(char*, size_t size, size_t count, void* self)
{
    // Returning less than given makes libcurl end with CURLE_WRITE_ERROR.
    return static_cast<Impl*>(self)->m_listingTooLarge ? 0 : size * count;
}

int CFtpConnection::Impl::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* impl = static_cast<Impl*>(self);
    return impl->m_stopping.load() || impl->m_listingTooLarge ? 1 : 0;
}
