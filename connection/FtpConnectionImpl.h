#pragma once

// The libcurl side of CFtpConnection: one logged-in control connection and
// the operations on it.
//
// The connection lives in the connection cache of a multi handle that the
// connection keeps for its whole life, and every operation runs the same
// easy handle through that multi handle. libcurl therefore finds the
// logged-in control connection again at every operation and sends only the
// operation's own commands; if the server has dropped it, libcurl connects
// and logs in again by itself.
//
// Each operation is driven by curl_multi_poll with a short timeout rather
// than by curl_easy_perform, so that a stop of the calling worker (its stop
// token) ends it at once: the stop sets a flag and wakes the poll.
//
// One thread at a time: the callers never use a connection from two threads
// at once.

#include "connection/Ftp.h"
#include "connection/FtpReplyLines.h"

#include <atomic>
#include <curl/curl.h>
#include <string>

struct CFtpConnection::Impl
{
    // Makes the handles; nothing is sent yet. host is a normalised dotted
    // IPv4 address; user and password have been checked for line breaks.
    Impl(std::string host, INTERNET_PORT port, std::string user, std::string password,
         bool passive);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // False when libcurl could not make its handles.
    bool valid() const { return m_easy != nullptr && m_multi != nullptr; }

    // Connects and logs in (USER, PASS, PWD) within the connect bound.
    CURLcode connect();

    BOOL put(const std::string& localFile, const std::string& remoteFile);
    BOOL remove(const std::string& remoteFile);
    // The NLST data of path byte for byte as the server sent it, or false
    // for a refused, failed or oversized listing.
    bool list(const std::string& path, std::string& data);

    int lastCurlCode = CURLE_OK;
    long lastReplyCode = 0;
    std::string lastReplyLine;

private:
    // The operations themselves; the public ones add the failure to the
    // support log (FtpLog.h).
    CURLcode logIn();
    BOOL sendFile(const std::string& localFile, const std::string& remoteFile);
    // After a store the unit has confirmed, asks it on the same connection
    // how many bytes it holds (question: the QUOTE line from toWire). A
    // number other than sent makes the upload a failure; a refusal, an
    // answer without a number, a closed connection or no answer within the
    // size bound leave it as the unit reported it (the support log says
    // why), with the store's result in lastReplyCode and lastReplyLine.
    BOOL checkStoredSize(const std::string& question, const std::string& remoteFile,
                         curl_off_t sent);
    BOOL removeFile(const std::string& remoteFile);
    bool fetchListing(const std::string& path, std::string& data);

    template <class Result>
    Result logFailureOf(Result ok, const char* what, const std::string& target) const
    {
        if (!ok)
            logFailure(what, target);
        return ok;
    }
    void logFailure(const char* what, const std::string& target) const;

    // Starts an operation, every one (connect, put, remove, list): clears
    // everything the last one left (its result and replies, its listing and
    // the flag that ended it, its stop, the easy handle's options), and says
    // whether the calling worker is being stopped (then nothing is to be
    // done).
    bool beginOperation();
    // Ends an operation that never reached libcurl with the code that best
    // says why; always returns 0.
    BOOL refuse(CURLcode why);

    // The options every operation shares, for url, on the handle that
    // beginOperation has reset.
    void prepare(const std::string& url);
    // Hands the traffic to onDebug: the listing's data, and commands and
    // replies for the support log.
    void watchTraffic();
    // Runs the prepared transfer to its end, a stop, or a failure.
    CURLcode perform();

    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static size_t onListingData(char* data, size_t size, size_t count, void* self);

    const std::string m_rootUrl; // "ftp://a.b.c.d:port/"
    const std::string m_user;
    const std::string m_password;
    const bool m_passive;

    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;

    // Set by a stop request on whatever thread makes it, read by the
    // operation's thread.
    std::atomic<bool> m_stopping{false};

    ftp_detail::FtpReplyTracker m_replies;

    // The listing being received: the bytes as they came off the data
    // connection, and whether they went past the listing bound.
    std::string* m_listing = nullptr;
    bool m_listingTooLarge = false;
};
