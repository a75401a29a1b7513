#include "tests/ftp/FtpTestPeers.h"

#include "tests/support/TestFiles.h"

#include <pwd.h>
#include <unistd.h>

namespace kelvor::test {

namespace {

void handToVsftpdUser(const std::filesystem::path& path)
{
    if (const passwd* account = ::getpwnam(Vsftpd::kUser))
        ::chown(path.c_str(), account->pw_uid, account->pw_gid);
}

} // namespace

const CommandCase kStoreCommand{"STOR", [](CFtpConnection& connection, const std::string& local) {
                                    return connection.PutFile(local, "KELVOR.bin");
                                }};
const CommandCase kRemoveCommand{"DELE", [](CFtpConnection& connection, const std::string&) {
                                     return connection.Remove("KELVOR.bin");
                                 }};
const CommandCase kListCommand{"NLST", [](CFtpConnection& connection, const std::string&) {
                                   CFtpFileFind find(&connection);
                                   const BOOL found = find.FindFile("/prog/");
                                   return found || find.FindNextFile() ? TRUE : FALSE;
                               }};

void Peer::makeFolder(const std::string& relative) const
{
    const std::filesystem::path folder = root() / relative;
    std::filesystem::create_directories(folder);
    if (m_vsftpd)
        handToVsftpdUser(folder);
}

void Peer::putServerFile(const std::string& relative, const std::string& content) const
{
    const std::filesystem::path file = root() / relative;
    writeFile(file, content);
    if (m_vsftpd)
        handToVsftpdUser(file);
}

std::unique_ptr<CFtpConnection> connectTo(const std::string& address, const std::string& user,
                                          const std::string& password, BOOL passive)
{
    CInternetSession session;
    return std::unique_ptr<CFtpConnection>(
        session.GetFtpConnection(address, user, password, INTERNET_DEFAULT_FTP_PORT, passive));
}

DWORD connectError(const std::string& address, const std::string& user, const std::string& password)
{
    try {
        connectTo(address, user, password);
    } catch (const CInternetException& e) {
        return e.m_dwError;
    }
    return 0;
}

WorkerOperation::WorkerOperation(std::function<BOOL()> operation, bool holdUntilReleased)
    : m_state(std::make_shared<State>())
{
    m_state->operation = std::move(operation);
    m_state->released.store(!holdUntilReleased);
    m_thread = AfxBeginThread(&WorkerOperation::run, new std::shared_ptr<State>(m_state));
}

WorkerOperation::~WorkerOperation()
{
    release();
    m_thread.reset(); // stops the worker and waits a bounded time for it
}

void WorkerOperation::release()
{
    m_state->released.store(true);
    m_state->released.notify_all();
}

UINT WorkerOperation::run(void* param)
{
    const std::shared_ptr<State> state = *static_cast<std::shared_ptr<State>*>(param);
    delete static_cast<std::shared_ptr<State>*>(param);
    state->released.wait(false);
    const BOOL result = state->operation();
    state->result.store(result);
    CWinThread::CommitUnlessStopped([&state] { state->committed.store(true); });
    return 0;
}

} // namespace kelvor::test
