// Measures how long programs take from their start to their first painted
// frame on an X display, and their memory at that moment.
//
//     quorvel-startup RUNS PROGRAM FRAME.ppm [PROGRAM FRAME.ppm ...]
//
// Each program is started RUNS times, in turns, after one start each that warms
// the caches and is not counted. Its first frame is the first time one of its
// windows holds the picture FRAME.ppm. Prints a line a counted start: the
// program's file name, milliseconds, then its PSS and RSS in kB at that moment.
//
// It links no Qt: a Qt process alive beside the measured one would share Qt's
// pages with it and so halve their share in its PSS.

#include "framewatcher.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = FrameWatcher::Clock;

constexpr auto FrameTimeout = std::chrono::seconds(20);
constexpr auto PauseBetweenStarts = std::chrono::milliseconds(300);

struct Program
{
    std::string path;
    Frame frame;
};

struct Memory
{
    long pssKb = -1; // proportional set size: shared pages count in part
    long rssKb = -1; // resident set size: shared pages count in full
};

Memory memoryOf(pid_t pid)
{
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    Memory memory;
    std::string line;
    while (std::getline(rollup, line)) {
        if (line.rfind("Pss:", 0) == 0)
            memory.pssKb = std::strtol(line.c_str() + 4, nullptr, 10);
        else if (line.rfind("Rss:", 0) == 0)
            memory.rssKb = std::strtol(line.c_str() + 4, nullptr, 10);
    }
    return memory;
}

std::string fileName(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One start: false when the program did not start or showed no frame.
bool measure(FrameWatcher &watcher, const Program &program, double &ms, Memory &memory)
{
    char *const argv[] = {const_cast<char *>(program.path.c_str()), nullptr};
    // Its warnings would bury the results; run it by hand to read them.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const Clock::time_point started = Clock::now();
    const int spawned = posix_spawn(&pid, program.path.c_str(), &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return false;
    Clock::time_point shown;
    const bool painted = watcher.waitForFrame(program.frame, started + FrameTimeout, shown);
    if (painted) {
        ms = std::chrono::duration<double, std::milli>(shown - started).count();
        memory = memoryOf(pid);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return painted && memory.pssKb > 0 && memory.rssKb > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    if (runs < 1 || argc < 4 || argc % 2) {
        std::fprintf(stderr, "usage: quorvel-startup RUNS PROGRAM FRAME.ppm [PROGRAM FRAME.ppm ...]\n");
        return 2;
    }
    std::vector<Program> programs;
    for (int i = 2; i + 1 < argc; i += 2) {
        Program program{argv[i], {}};
        if (!readPpm(argv[i + 1], program.frame)) {
            std::fprintf(stderr, "quorvel-startup: cannot read %s\n", argv[i + 1]);
            return 1;
        }
        programs.push_back(program);
    }
    FrameWatcher watcher;
    if (!watcher.open()) {
        std::fprintf(stderr, "quorvel-startup: no X display with the DAMAGE extension\n");
        return 1;
    }
    for (int run = 0; run <= runs; ++run) {
        for (const Program &program : programs) {
            double ms = 0;
            Memory memory;
            if (!measure(watcher, program, ms, memory)) {
                std::fprintf(stderr, "quorvel-startup: %s showed no first frame\n", program.path.c_str());
                return 1;
            }
            if (run > 0)
                std::printf("%s %.1f %ld %ld\n", fileName(program.path).c_str(), ms, memory.pssKb, memory.rssKb);
            std::fflush(stdout);
            std::this_thread::sleep_for(PauseBetweenStarts);
        }
    }
    return 0;
}
