// Runs a program as another user, for the tests of files that several
// technicians share: root passes every permission check, so those tests
// mean something only when run without it.
//
//   runas UID GID GROUPS PROGRAM [ARGS...]
//
// Run by root: takes the supplementary groups GROUPS (numbers separated by
// commas, "-" for none), the group GID and the user UID, sets the umask
// 022 most systems give their users, and runs PROGRAM. Run by any other
// user: runs PROGRAM as that user, who is no root already.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: runas UID GID GROUPS PROGRAM [ARGS...]\n");
        return 125;
    }
    if (geteuid() == 0) {
        std::vector<gid_t> groups;
        const std::string list = argv[3];
        if (list != "-") {
            size_t start = 0;
            while (start <= list.size()) {
                const size_t comma = list.find(',', start);
                groups.push_back(
                    gid_t(std::strtoul(list.substr(start, comma - start).c_str(), nullptr, 10)));
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
        }
        const gid_t gid = gid_t(std::strtoul(argv[2], nullptr, 10));
        const uid_t uid = uid_t(std::strtoul(argv[1], nullptr, 10));
        if (setgroups(groups.size(), groups.data()) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
            std::fprintf(stderr, "runas: %s\n", std::strerror(errno));
            return 125;
        }
        umask(022);
    }
    execv(argv[4], argv + 4);
    std::fprintf(stderr, "runas: %s: %s\n", argv[4], std::strerror(errno));
    return 127;
}
