#include "platform/PathBeneath.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// As many links as the system follows in one name before it calls it a loop.
constexpr int kBeneathMaxLinks = 40;
// Finds an entry without opening it, and a link as the link itself.
constexpr int kBeneathLocate = O_PATH | O_NOFOLLOW | O_CLOEXEC;

struct BeneathStep
{
    enum Kind
    {
        Name,    // a step the caller gave
        Target,  // a step of a link's target
        LinkEnd, // a link's target has been followed to its end
    } kind;
    std::string name;
};

std::vector<std::string> splitAtSlashes(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('/', start);
        parts.push_back(path.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// The folders from "/" down to where the walk stands, each held open, and
// whether the walk stands in the folder it started from or below it.
class BeneathWalk
{
public:
    BeneathWalk() = default;
    BeneathWalk(const BeneathWalk&) = delete;
    BeneathWalk& operator=(const BeneathWalk&) = delete;
    ~BeneathWalk()
    {
        for (const int fd : m_dirs)
            ::close(fd);
    }

    // Stands in folder, reached from "/" along its real path.
    bool start(const std::string& folder)
    {
        char* real = ::realpath(folder.c_str(), nullptr);
        if (real == nullptr)
            return false;
        const std::vector<std::string> names = splitAtSlashes(real);
        std::free(real);
        if (!enter(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)))
            return false;
        for (const std::string& name : names) {
            if (!name.empty() &&
                !enter(::openat(top(), name.c_str(), kBeneathLocate | O_DIRECTORY)))
                return false;
        }
        struct stat status
        {};
        if (::fstat(top(), &status) != 0)
            return false;
        m_root = {status.st_dev, status.st_ino};
        m_rootAt = static_cast<int>(m_dirs.size()) - 1;
        return true;
    }

    int top() const { return m_dirs.back(); }
    bool inside() const { return m_rootAt >= 0; }

    // Steps into the folder fd holds, which the walk now owns.
    bool enter(int fd)
    {
        struct stat status
        {};
        if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISDIR(status.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        m_dirs.push_back(fd);
        if (m_rootAt < 0 && m_root == Identity{status.st_dev, status.st_ino})
            m_rootAt = static_cast<int>(m_dirs.size()) - 1;
        return true;
    }

    // One folder up; "/" is its own parent.
    void up()
    {
        if (m_dirs.size() <= 1)
            return;
        ::close(m_dirs.back());
        m_dirs.pop_back();
        if (m_rootAt >= static_cast<int>(m_dirs.size()))
            m_rootAt = -1;
    }

    void toTop()
    {
        while (m_dirs.size() > 1)
            up();
    }

    // A step that goes nowhere: outside when the walk has left the folder.
    BeneathEntry failed() const
    {
        return {inside() ? BeneathOutcome::Missing : BeneathOutcome::Outside, -1};
    }

private:
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const Identity&) const = default;
    };

    std::vector<int> m_dirs;
    std::optional<Identity> m_root; // known once the walk has started
    int m_rootAt = -1;              // index in m_dirs of the starting folder, -1 when left
};

} // namespace

BeneathEntry OpenBeneath(const std::string& folder, const std::string& name,
                         const BeneathStandIn& standIn)
{
    BeneathWalk walk;
    if (!walk.start(folder))
        return {};
    std::deque<BeneathStep> queue;
    for (std::string& step : splitAtSlashes(name))
        queue.push_back({BeneathStep::Name, std::move(step)});

    int links = 0;
    while (!queue.empty()) {
        const BeneathStep step = std::move(queue.front());
        queue.pop_front();
        if (step.kind == BeneathStep::LinkEnd) {
            if (!walk.inside())
                return {BeneathOutcome::Outside, -1};
            continue;
        }
        if (step.name.empty() || step.name == ".")
            continue;
        if (step.name == "..") {
            walk.up();
            continue;
        }

        int fd = ::openat(walk.top(), step.name.c_str(), kBeneathLocate);
        if (fd < 0 && errno == ENOENT && step.kind == BeneathStep::Name && standIn) {
            const auto other = standIn("/proc/self/fd/" + std::to_string(walk.top()), step.name);
            if (other)
                fd = ::openat(walk.top(), other->c_str(), kBeneathLocate);
        }
        struct stat status
        {};
        if (fd >= 0 && ::fstat(fd, &status) != 0) {
            ::close(fd);
            fd = -1;
        }
        if (fd < 0)
            return walk.failed();

        if (S_ISLNK(status.st_mode)) {
            std::string target(PATH_MAX, '\0');
            const ssize_t length = ::readlinkat(fd, "", target.data(), target.size());
            ::close(fd);
            if (length <= 0 || static_cast<std::size_t>(length) >= target.size() ||
                ++links > kBeneathMaxLinks)
                return walk.failed();
            target.resize(static_cast<std::size_t>(length));
            // The target's steps come next, then the check that it ended inside.
            queue.push_front({BeneathStep::LinkEnd, {}});
            const std::vector<std::string> parts = splitAtSlashes(target);
            for (auto part = parts.rbegin(); part != parts.rend(); ++part)
                queue.push_front({BeneathStep::Target, *part});
            if (target.front() == '/')
                walk.toTop();
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            if (!walk.enter(fd))
                return walk.failed();
            continue;
        }
        // No folder: nothing may follow it but the ends of the links that
        // led here, and it lies where the walk stands.
        for (const BeneathStep& rest : queue) {
            if (rest.kind != BeneathStep::LinkEnd) {
                ::close(fd);
                return walk.failed();
            }
        }
        if (!walk.inside()) {
            ::close(fd);
            return {BeneathOutcome::Outside, -1};
        }
        return {BeneathOutcome::Found, fd};
    }
    // The name ends in a folder.
    if (!walk.inside())
        return {BeneathOutcome::Outside, -1};
    const int fd = ::fcntl(walk.top(), F_DUPFD_CLOEXEC, 0);
    return fd >= 0 ? BeneathEntry{BeneathOutcome::Found, fd} : BeneathEntry{};
}
