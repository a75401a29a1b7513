#pragma once

// The FTP client the program talks to the unit with: an internet session, one
// logged-in FTP connection made from it, and a listing cursor on that
// connection. Opening a session and connecting throw CInternetException;
// putting, removing and listing never throw and return 1 or 0.
//
// Every call blocks its caller. A call made on a worker thread watches the
// thread's stop token: once the worker is stopped, a call in progress returns
// 0 at once and no further call talks to the server.

#include "platform/Exception.h"
#include "platform/Types.h"

#include <memory>
#include <string>

inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
inline constexpr DWORD FTP_TRANSFER_TYPE_BINARY = 2;
inline constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_FTP_PORT = 21;

// Error codes carried by CInternetException, as the classic internet API
// numbers them.
inline constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
inline constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;
inline constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr DWORD ERROR_INTERNET_LOGIN_FAILURE = 12015;
inline constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
inline constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;

class CInternetException : public CException
{
public:
    explicit CInternetException(DWORD dwError, DWORD dwContext = 1)
        : m_dwError(dwError), m_dwContext(dwContext)
    {}

    bool GetErrorMessage(std::string& text) const override;

    DWORD m_dwError;
    DWORD m_dwContext;
};

class CFtpConnection;

class CInternetSession
{
public:
    // Throws CInternetException when the session cannot be opened.
    explicit CInternetSession(const char* pstrAgent = nullptr, DWORD dwContext = 1,
                              DWORD dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG,
                              const char* pstrProxyName = nullptr,
                              const char* pstrProxyBypass = nullptr, DWORD dwFlags = 0);
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;
    ~CInternetSession();

    void Close();

    // Connects to server (a dotted IPv4 address) and logs in; the caller owns
    // the result. Throws CInternetException when the server cannot be
    // reached, does not answer, refuses the login, or when a name or password
    // holds CR, LF or NUL (they are never sent).
    CFtpConnection* GetFtpConnection(const std::string& server, const std::string& userName,
                                     const std::string& password,
                                     INTERNET_PORT nPort = INTERNET_DEFAULT_FTP_PORT,
                                     BOOL bPassive = FALSE);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    DWORD m_dwContext;
};

class CFtpConnection
{
public:
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;
    ~CFtpConnection();

    // Stores the local file on the server under remoteFile, in binary mode.
    // 1 once the server has confirmed the whole file, else 0. Then it asks
    // the server for the file's size (SIZE): a size other than the bytes
    // sent makes it 0; a server that gives no size leaves the 1 standing.
    BOOL PutFile(const std::string& localFile, const std::string& remoteFile,
                 DWORD dwFlags = FTP_TRANSFER_TYPE_BINARY, DWORD dwContext = 1);

    // Deletes a file on the server: 1 or 0.
    BOOL Remove(const std::string& fileName);

    // What the last operation ended with, for tests and debugging: libcurl's
    // result code, the server's last reply code and line.
    int LastCurlCode() const;
    long LastReplyCode() const;
    std::string LastReplyLine() const;

    struct Impl;

private:
    friend class CInternetSession;
    friend class CFtpFileFind;
    explicit CFtpConnection(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> m_impl;
};

class CFtpFileFind
{
public:
    explicit CFtpFileFind(CFtpConnection* pConnection, DWORD dwContext = 1);
    CFtpFileFind(const CFtpFileFind&) = delete;
    CFtpFileFind& operator=(const CFtpFileFind&) = delete;
    ~CFtpFileFind();

    // Lists name on the server (always fresh). 1 when the listing has an
    // entry; 0 for an empty or refused listing, which leaves nothing open.
    BOOL FindFile(const std::string& name, DWORD dwFlags = INTERNET_FLAG_RELOAD);

    // Makes the next entry current: the k-th call after FindFile makes the
    // k-th entry current and returns 1 while a further entry follows it, 0
    // for the last one. Past the end it returns 0 and no entry is current.
    BOOL FindNextFile();

    // The current entry's bare name (without a directory prefix the server
    // may have put in front of it); "" when no entry is current.
    std::string GetFileName() const;

    void Close();

private:
    CFtpConnection* m_pConnection;
    struct Listing;
    std::unique_ptr<Listing> m_listing;
};
