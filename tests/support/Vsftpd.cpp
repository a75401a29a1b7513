#include "tests/support/Vsftpd.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/LoopbackAddress.h"
#include "tests/support/Poll.h"
#include "tests/support/Sockets.h"
#include "tests/support/TestFiles.h"

#include <cctype>
#include <fstream>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#ifndef KELVOR_VSFTPD
#define KELVOR_VSFTPD "/usr/sbin/vsftpd"
#endif

namespace kelvor::test {

namespace {

constexpr auto kVsftpdStartBound = std::chrono::seconds(10);

std::vector<std::string> logLines(const std::filesystem::path& log)
{
    std::vector<std::string> lines;
    std::ifstream in(log, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof())
            break; // still being written
        lines.push_back(line);
    }
    return lines;
}

} // namespace

std::optional<std::string> Vsftpd::unavailableReason()
{
    if (::geteuid() != 0)
        return "vsftpd tests need root: vsftpd logs a local user in and chroots it";
    if (::access(KELVOR_VSFTPD, X_OK) != 0)
        return std::string(KELVOR_VSFTPD " is missing: run tools/install-deps.sh");
    if (::getpwnam(kUser) == nullptr)
        return std::string("the test user ") + kUser +
               " is missing: it exists only inside the namespace of tools/isolated.sh run as root";
    return std::nullopt;
}

Vsftpd::Vsftpd()
{
    if (auto why = unavailableReason())
        throw std::runtime_error(*why);
    const passwd* account = ::getpwnam(kUser);

    m_dir = std::make_unique<TempDir>("kelvor-vsftpd");
    // The folders must be reachable by the test user once vsftpd has
    // dropped to it: the temporary folder itself is made private by
    // mkdtemp.
    ::chmod(m_dir->path().c_str(), 0755);
    m_root = m_dir->path() / "root";
    std::filesystem::create_directory(m_root);
    if (::chown(m_root.c_str(), account->pw_uid, account->pw_gid) != 0)
        throw std::runtime_error("cannot hand " + m_root.string() + " to " + kUser);
    // vsftpd wants an empty folder the user cannot write for its sandbox.
    std::filesystem::create_directory(m_dir->path() / "empty");
    m_log = m_dir->path() / "vsftpd.log";
    m_output = m_dir->path() / "vsftpd.out";

    m_address = onFreeLoopbackAddress([this](const std::string& address, std::string& failure) {
        return start(address, failure);
    });
}

Vsftpd::~Vsftpd() = default;

bool Vsftpd::start(const std::string& address, std::string& failure)
{
    const std::filesystem::path config = m_dir->path() / "vsftpd.conf";
    {
        std::ofstream out(config, std::ios::trunc);
        out << "listen=YES\n"
               "listen_ipv6=NO\n"
               "listen_address="
            << address
            << "\n"
               "listen_port="
            << kFtpPort
            << "\n"
               "background=NO\n"
               "anonymous_enable=NO\n"
               "local_enable=YES\n"
               "write_enable=YES\n"
               "local_umask=022\n"
               "chroot_local_user=YES\n"
               "allow_writeable_chroot=YES\n"
               "local_root="
            << m_root.string()
            << "\n"
               "secure_chroot_dir="
            << (m_dir->path() / "empty").string()
            << "\n"
               "seccomp_sandbox=NO\n"
               "pam_service_name=vsftpd\n"
               // Passive ports are left to the system, so that servers of
               // tests running side by side never compete for them.
               "pasv_enable=YES\n"
               "pasv_min_port=0\n"
               "pasv_max_port=0\n"
               "port_enable=YES\n"
               "connect_from_port_20=NO\n"
               "log_ftp_protocol=YES\n"
               "xferlog_enable=YES\n"
               "xferlog_std_format=NO\n"
               "syslog_enable=NO\n"
               "vsftpd_log_file="
            << m_log.string() << "\n";
    }
    ::chmod(config.c_str(), 0600);

    m_process = std::make_unique<ChildProcess>(
        ChildProcess::Setup{KELVOR_VSFTPD, {config.string()}, m_output.string(), false});
    const bool ended =
        pollUntil([&] { return isListening(address, kFtpPort) || m_process->hasExited(); },
                  kVsftpdStartBound);
    if (ended && isListening(address, kFtpPort))
        return true;
    // Most likely another server took the address in the meantime.
    failure = (ended ? "vsftpd on " + address + " ended at once\n"
                     : "vsftpd not listening on " + address + " within the start bound\n") +
              serverOutput();
    m_process.reset();
    return false;
}

std::filesystem::path Vsftpd::localPath(std::string_view remotePath) const
{
    return m_root / std::filesystem::path(remotePath).relative_path();
}

std::vector<FtpCommand> Vsftpd::commands() const
{
    // ... FTP command: Client "127.0.0.1", "STOR name"
    static constexpr std::string_view kMarker = "FTP command: Client \"";
    std::vector<FtpCommand> commands;
    for (const std::string& line : logLines(m_log)) {
        const std::size_t marker = line.find(kMarker);
        if (marker == std::string::npos)
            continue;
        const std::size_t open = line.find("\", \"", marker + kMarker.size());
        if (open == std::string::npos || line.back() != '"')
            continue;
        const std::string text = line.substr(open + 4, line.size() - open - 5);
        FtpCommand command;
        const std::size_t space = text.find(' ');
        command.verb = text.substr(0, space);
        for (char& c : command.verb)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        command.argument = space == std::string::npos ? std::string() : text.substr(space + 1);
        command.line = text;
        commands.push_back(std::move(command));
    }
    return commands;
}

std::vector<FtpCommand> Vsftpd::commands(std::string_view verb) const
{
    return withVerb(commands(), verb);
}

int Vsftpd::logins() const
{
    int count = 0;
    for (const std::string& line : logLines(m_log))
        count += line.find("] OK LOGIN: ") != std::string::npos ? 1 : 0;
    return count;
}

std::string Vsftpd::serverOutput() const
{
    std::string text;
    try {
        text += readFile(m_output);
    } catch (const std::exception&) {
    }
    try {
        text += readFile(m_log);
    } catch (const std::exception&) {
    }
    return text;
}

} // namespace kelvor::test
