// Runs a command and measures the whole job: the wall time and the peak of the resident memory
// of all its processes together, sampled every few milliseconds. A tool that runs four
// processes of 200 MB holds 800 MB, where /usr/bin/time would say 200.
//   sardoxa-bench-peak [-o FILE] COMMAND [ARGUMENT...]
// Writes "<seconds> <peak MB>" to FILE (standard error without -o) and exits with the command's
// status. The processes are the command and every descendant, found through the kernel's list of
// each thread's children; the sampler adopts orphans, so a process whose parent went is still
// counted. The peak is never below the largest single process's own high-water mark, which the
// kernel keeps exactly, so a job of one process agrees with /usr/bin/time.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const long pageKb = sysconf(_SC_PAGESIZE) / 1024;
volatile sig_atomic_t group = 0;

// The command has a process group of its own, which an interrupt at the terminal does not reach:
// it is passed on, so that stopping the benchmark stops what it measures.
void forward(int signal) {
    if (group > 0)
        kill(-group, signal);
}

// The resident size of one process in kB, 0 when it is gone.
long residentKb(pid_t pid) {
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    long size = 0, resident = 0;
    return statm >> size >> resident ? resident * pageKb : 0;
}

// Appends the children of every thread of PID.
void addChildren(pid_t pid, std::vector<pid_t> &out) {
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream children(task.path() / "children");
        for (pid_t child = 0; children >> child;)
            out.push_back(child);
    }
}

// The summed resident size of ROOT and its descendants, in kB.
long treeKb(pid_t root) {
    std::vector<pid_t> pending{root};
    long total = 0;
    while (!pending.empty()) {
        const pid_t pid = pending.back();
        pending.pop_back();
        total += residentKb(pid);
        addChildren(pid, pending);
    }
    return total;
}

} // namespace

int main(int argc, char **argv) {
    int first = 1;
    FILE *report = stderr;
    if (argc > 2 && std::strcmp(argv[1], "-o") == 0) {
        report = std::fopen(argv[2], "w");
        if (!report) {
            std::fprintf(stderr, "sardoxa-bench-peak: %s: %s\n", argv[2], std::strerror(errno));
            return 125;
        }
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [-o FILE] COMMAND [ARGUMENT...]\n", argv[0]);
        return 125;
    }
    // Orphans come to us rather than to init, so they stay in the tree being summed.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const auto start = std::chrono::steady_clock::now();
    const pid_t leader = fork();
    if (leader < 0) {
        std::perror("sardoxa-bench-peak: fork");
        return 125;
    }
    if (leader == 0) {
        setpgid(0, 0);
        execvp(argv[first], argv + first);
        std::fprintf(stderr, "sardoxa-bench-peak: %s: %s\n", argv[first], std::strerror(errno));
        _exit(127);
    }
    setpgid(leader, leader);
    group = leader;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, forward);
    long peakKb = 0;
    int status = 0;
    for (;;) {
        // Reaps adopted orphans as well as the command; only the command ends the measure.
        const pid_t done = waitpid(-1, &status, WNOHANG);
        if (done == leader)
            break;
        if (done > 0)
            continue;
        peakKb = std::max(peakKb, treeKb(leader));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    // The largest high-water mark of any process reaped below us, the command's included.
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    peakKb = std::max(peakKb, usage.ru_maxrss);
    std::fprintf(report, "%.2f %ld\n", wall.count(), peakKb / 1024);
    std::fclose(report);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
