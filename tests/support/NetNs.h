// Test hosts for peer tests: network namespaces that the test creates and removes itself, entered
// by the calling thread to open sockets there, and child processes (a capture, a daemon) run in
// them. Nothing here reaches any address outside these namespaces.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

inline int Run(const std::string& Cmd) {
    return std::system((Cmd + " >/dev/null 2>&1").c_str());
}

// The output of a command, standard error included.
inline std::string Capture(const std::string& Cmd) {
    std::string out;
    FILE* f = ::popen((Cmd + " 2>&1").c_str(), "r");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    ::pclose(f);
    return out;
}

inline bool HaveProgram(const std::string& Name) {
    return Run("command -v " + Name) == 0;
}

class TNetNs {
public:
    // Creates the namespace with its loopback up; Ok() tells whether that worked (it needs root).
    explicit TNetNs(std::string Name) : FName(std::move(Name)) {
        Run("ip netns del " + FName); // a namespace left by a killed run of the same process id
        FOk = Run("ip netns add " + FName) == 0 && Run("ip -n " + FName + " link set lo up") == 0;
    }
    ~TNetNs() { Run("ip netns del " + FName); }
    TNetNs(const TNetNs&) = delete;
    TNetNs& operator=(const TNetNs&) = delete;

    bool Ok() const { return FOk; }
    const std::string& Name() const { return FName; }
    std::string Exec(const std::string& Cmd) const { return "ip netns exec " + FName + " " + Cmd; }

    // While it lives, sockets the calling thread opens belong to the namespace.
    class TEnter {
    public:
        explicit TEnter(const TNetNs& Ns) {
            FOld = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
            const int fd = ::open(("/run/netns/" + Ns.Name()).c_str(), O_RDONLY | O_CLOEXEC);
            const bool ok = FOld >= 0 && fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
            if (fd >= 0) ::close(fd);
            if (!ok) throw std::runtime_error("cannot enter network namespace " + Ns.Name());
        }
        ~TEnter() {
            [[maybe_unused]] int rc = ::setns(FOld, CLONE_NEWNET);
            ::close(FOld);
        }
        TEnter(const TEnter&) = delete;
        TEnter& operator=(const TEnter&) = delete;

    private:
        int FOld = -1;
    };

private:
    std::string FName;
    bool FOk = false;
};

// A child process started with /bin/sh -c; its output goes to a file. Stopped (TERM, then KILL)
// when the object goes, so a failing test leaves nothing running.
class TChild {
public:
    TChild(const std::string& Cmd, const std::string& OutFile) {
        FPid = ::fork();
        if (FPid == 0) {
            ::setpgid(0, 0);
            const int fd = ::open(OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
            ::execl("/bin/sh", "sh", "-c", Cmd.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~TChild() { Stop(); }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    // Waits up to LimitMs for the child to end by itself; true when it did.
    bool Wait(int LimitMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(LimitMs);
        while (FPid > 0) {
            int status = 0;
            if (::waitpid(FPid, &status, WNOHANG) == FPid) {
                FPid = -1;
                return true;
            }
            if (std::chrono::steady_clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    void Stop() {
        if (FPid <= 0) return;
        ::kill(-FPid, SIGTERM);
        if (!Wait(3000)) {
            ::kill(-FPid, SIGKILL);
            Wait(3000);
        }
        FPid = -1;
    }

private:
    pid_t FPid = -1;
};

} // namespace testsupport
