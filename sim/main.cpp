// rq60sim: an RQ-60 behind a pseudo-terminal. Prints the slave path as its
// first line, then serves until stdin closes or it is signalled; control
// commands on stdin, one per line, replies on stdout. See README.md.
#include "ptyserver.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_signalled = 0;

void onSignal(int)
{
    g_signalled = 1;
}

void usage()
{
    std::cout << "usage: rq60sim [--generation 1|2] [--link PATH] [--log FILE]\n"
                 "               [--COMMAND ARGS...]   any control command, e.g. --lock open,\n"
                 "                                     --fail L7 ER05, --pace 4800, --react 30,\n"
                 "                                     --echo, --late 2500\n"
                 "Control commands on stdin, one per line; \"help\" lists them, \"quit\" ends.\n";
}

std::string timestamp()
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::tm t{};
    localtime_r(&tv.tv_sec, &t);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  static_cast<long>(tv.tv_usec / 1000));
    return buf;
}

void reply(bool ok, const std::string &text)
{
    if (!text.empty())
        std::cout << text << "\n";
    else if (!ok)
        std::cout << "error\n";
    std::cout.flush();
}

} // namespace

int main(int argc, char **argv)
{
    int generation = 2;
    std::string link, logFile;
    std::vector<std::string> commands;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "rq60sim: " << a << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--generation") {
            std::string g = value();
            if (g != "1" && g != "2") {
                std::cerr << "rq60sim: --generation takes 1 or 2\n";
                return 2;
            }
            generation = g == "1" ? 1 : 2;
        } else if (a == "--link") {
            link = value();
        } else if (a == "--log") {
            logFile = value();
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else if (a.compare(0, 2, "--") == 0 && a.size() > 2) {
            std::string line = a.substr(2);
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0)
                line += std::string(" ") + argv[++i];
            commands.push_back(line);
        } else {
            std::cerr << "rq60sim: unknown argument " << a << "\n";
            usage();
            return 2;
        }
    }

    struct sigaction sa {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    rq60::PtyServer server(generation);
    for (const std::string &c : commands) {
        std::string r;
        if (!server.control(c, &r)) {
            std::cerr << "rq60sim: --" << c << ": " << r << "\n";
            return 2;
        }
    }
    std::shared_ptr<std::ofstream> log;
    if (!logFile.empty()) {
        log = std::make_shared<std::ofstream>(logFile, std::ios::app);
        if (!*log) {
            std::cerr << "rq60sim: cannot open log file " << logFile << ": " << std::strerror(errno)
                      << "\n";
            return 2;
        }
        server.setLogSink([log](const std::string &entry) {
            *log << timestamp() << " " << entry << "\n";
            log->flush();
        });
    }
    std::string path;
    try {
        path = server.start(link);
    } catch (const std::exception &e) {
        std::cerr << "rq60sim: " << e.what() << "\n";
        return 1;
    }
    std::cout << path << "\n";
    std::cout.flush();

    std::string pending;
    char buf[1024];
    while (!g_signalled) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        int r = poll(&p, 1, 200);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (r == 0)
            continue;
        ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // stdin closed: the controlling side is gone
        pending.append(buf, static_cast<std::size_t>(n));
        std::size_t nl;
        bool quit = false;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line == "quit" || line == "exit") {
                quit = true;
                break;
            }
            std::string text;
            bool ok = server.control(line, &text);
            reply(ok, text);
        }
        if (quit)
            break;
    }
    server.stop();
    return 0;
}
