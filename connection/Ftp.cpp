#include "connection/Ftp.h"

#include "connection/FtpConnectionImpl.h"
#include "connection/FtpFaultInjection.h"
#include "connection/FtpListing.h"
#include "connection/FtpWire.h"

#include <cstring>
#include <curl/curl.h>
#include <optional>
#include <vector>

namespace {

// What a failed connect reports, by libcurl's reason.
DWORD errorForConnect(CURLcode code)
{
    switch (code) {
    case CURLE_LOGIN_DENIED:
        return ERROR_INTERNET_LOGIN_FAILURE;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_COULDNT_RESOLVE_HOST:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_OUT_OF_MEMORY:
        return ERROR_INTERNET_OUT_OF_HANDLES;
    case CURLE_ABORTED_BY_CALLBACK:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASS_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_REMOTE_ACCESS_DENIED:
        // The server answered, but not with what a login wants.
        return ERROR_INTERNET_EXTENDED_ERROR;
    default:
        return ERROR_INTERNET_CANNOT_CONNECT;
    }
}

} // namespace

// --- CInternetException ----------------------------------------------------

bool CInternetException::GetErrorMessage(std::string& text) const
{
    switch (m_dwError) {
    case ERROR_INTERNET_OUT_OF_HANDLES:
        text = "インターネット セッションを開始できませんでした。";
        break;
    case ERROR_INTERNET_TIMEOUT:
        text = "タイムアウトしました。";
        break;
    case ERROR_INTERNET_EXTENDED_ERROR:
        text = "ＦＴＰサーバーがエラーを返しました。";
        break;
    case ERROR_INTERNET_INTERNAL_ERROR:
        text = "内部エラーが発生しました。";
        break;
    case ERROR_INTERNET_INVALID_URL:
        text = "サーバーのアドレスが正しくありません。";
        break;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        text = "サーバー名を解決できませんでした。";
        break;
    case ERROR_INTERNET_LOGIN_FAILURE:
        text = "ログインが拒否されました。";
        break;
    case ERROR_INTERNET_CONNECTION_ABORTED:
        text = "接続が中断されました。";
        break;
    case ERROR_INTERNET_CONNECTION_RESET:
        text = "接続がリセットされました。";
        break;
    case ERROR_INTERNET_CANNOT_CONNECT:
        text = "ＦＴＰサーバーに接続できませんでした。";
        break;
    case ERROR_INVALID_PARAMETER:
        text = "パラメーターが正しくありません。";
        break;
    default:
        text = "インターネットのエラーが発生しました。（エラー番号 " + std::to_string(m_dwError) +
               "）";
        break;
    }
    return true;
}

// --- CInternetSession ------------------------------------------------------

struct CInternetSession::Impl
{
    bool open = true;
};

CInternetSession::CInternetSession(const char*, DWORD dwContext, DWORD, const char*, const char*,
                                   DWORD)
    : m_dwContext(dwContext)
{
    // The session has no handle of its own: it makes sure libcurl can talk
    // FTP and can make what a connection needs, so that a session that
    // opened can connect. A connection runs on a multi handle whose wake-up
    // (a socket pair) lets a stop end an operation at once; a process that
    // may open no more files gets the handle but no wake-up.
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    bool ftp = false;
    for (const char* const* protocol = info->protocols; protocol && *protocol; ++protocol)
        ftp = ftp || std::strcmp(*protocol, "ftp") == 0;
    if (!ftp)
        throw CInternetException(ERROR_INTERNET_INTERNAL_ERROR, m_dwContext);
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    const bool usable = easy != nullptr && multi != nullptr &&
                        curl_multi_wakeup(multi) == CURLM_OK && !sessionOpensFail();
    if (multi != nullptr)
        curl_multi_cleanup(multi);
    if (easy != nullptr)
        curl_easy_cleanup(easy);
    if (!usable)
        throw CInternetException(ERROR_INTERNET_OUT_OF_HANDLES, m_dwContext);

    m_impl = std::make_unique<Impl>();
}

CInternetSession::~CInternetSession()
{
    Close();
}

void CInternetSession::Close()
{
    // A connection made from the session carries everything it needs, so
    // closing the session leaves it usable (the program never does use it
    // afterwards).
    if (m_impl)
        m_impl->open = false;
}

CFtpConnection* CInternetSession::GetFtpConnection(const std::string& server,
                                                   const std::string& userName,
                                                   const std::string& password, INTERNET_PORT nPort,
                                                   BOOL bPassive)
{
    if (!m_impl || !m_impl->open)
        throw CInternetException(ERROR_INTERNET_INTERNAL_ERROR, m_dwContext);
    std::string host;
    if (!ftp_detail::parseDottedIPv4(server, host))
        throw CInternetException(ERROR_INTERNET_INVALID_URL, m_dwContext);
    // A line break in either would become a command of its own.
    if (!ftp_detail::isSendableCredential(userName) || !ftp_detail::isSendableCredential(password))
        throw CInternetException(ERROR_INVALID_PARAMETER, m_dwContext);

    const INTERNET_PORT port = nPort != 0 ? nPort : INTERNET_DEFAULT_FTP_PORT;

    auto impl =
        std::make_unique<CFtpConnection::Impl>(host, port, userName, password, bPassive != FALSE);
    const CURLcode result = impl->connect();
    if (result != CURLE_OK)
        throw CInternetException(errorForConnect(result), m_dwContext);
    return new CFtpConnection(std::move(impl));
}

// --- CFtpConnection --------------------------------------------------------

CFtpConnection::CFtpConnection(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CFtpConnection::~CFtpConnection() = default;

BOOL CFtpConnection::PutFile(const std::string& localFile, const std::string& remoteFile, DWORD,
                             DWORD)
{
    // Every transfer is binary: the unit's program must arrive byte for byte.
    return m_impl->put(localFile, remoteFile);
}

BOOL CFtpConnection::Remove(const std::string& fileName)
{
    return m_impl->remove(fileName);
}

int CFtpConnection::LastCurlCode() const
{
    return m_impl->lastCurlCode;
}

long CFtpConnection::LastReplyCode() const
{
    return m_impl->lastReplyCode;
}

std::string CFtpConnection::LastReplyLine() const
{
    return m_impl->lastReplyLine;
}

// --- CFtpFileFind ----------------------------------------------------------

// The whole listing is fetched by FindFile and kept here, so stepping
// through it sends nothing and other operations may use the connection in
// between.
struct CFtpFileFind::Listing
{
    std::vector<std::string> names;
    std::size_t next = 0;               // the entry the next step makes current
    std::optional<std::size_t> current; // none before the first step and past the end
};

// Nothing is ever asked to report progress, so the context value has no
// use here.
CFtpFileFind::CFtpFileFind(CFtpConnection* pConnection, DWORD) : m_pConnection(pConnection) {}

CFtpFileFind::~CFtpFileFind()
{
    Close();
}

BOOL CFtpFileFind::FindFile(const std::string& name, DWORD)
{
    Close();
    if (m_pConnection == nullptr)
        return FALSE;
    std::string data;
    if (!m_pConnection->m_impl->list(name, data))
        return FALSE;
    auto listing = std::make_unique<Listing>();
    listing->names = ftp_detail::splitNameList(data);
    if (listing->names.empty())
        return FALSE;
    m_listing = std::move(listing);
    return TRUE;
}

BOOL CFtpFileFind::FindNextFile()
{
    if (!m_listing)
        return FALSE;
    Listing& listing = *m_listing;
    if (listing.next >= listing.names.size()) {
        listing.current.reset();
        return FALSE;
    }
    listing.current = listing.next++;
    return listing.next < listing.names.size() ? TRUE : FALSE;
}

std::string CFtpFileFind::GetFileName() const
{
    if (!m_listing || !m_listing->current)
        return {};
    return m_listing->names[*m_listing->current];
}

void CFtpFileFind::Close()
{
    m_listing.reset();
}
