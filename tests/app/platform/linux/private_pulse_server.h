// A private PulseAudio server with one null sink ("out"), on a socket in a folder of its own
// that PULSE_SERVER names while this object lives. It can be stopped and started again on the
// same socket, as a desktop's server restarts.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace marble::test {

class PrivatePulseServer {
public:
    explicit PrivatePulseServer(bool start = true) {
        char dir[] = "/tmp/marble-pulse-XXXXXX";
        if (mkdtemp(dir) == nullptr) return;
        m_dir = dir;
        setenv("PULSE_SERVER", ("unix:" + Socket()).c_str(), 1);
        if (start) Start();
    }
    ~PrivatePulseServer() {
        Stop();
        unsetenv("PULSE_SERVER");
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
    }
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    /// Starts the server; true once its socket is there.
    bool Start() {
        if (m_dir.empty() || m_pid > 0) return Running();
        const std::string protocol = "--load=module-native-protocol-unix auth-anonymous=1 socket=" + Socket();
        m_pid = fork();
        if (m_pid == 0) {
            const int quiet = open("/dev/null", O_WRONLY);
            if (quiet >= 0) dup2(quiet, STDERR_FILENO);
            setenv("HOME", m_dir.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
            execlp("pulseaudio", "pulseaudio", "--daemonize=no", "--system=false", "--exit-idle-time=-1", "-n",
                   "--disallow-exit", "--use-pid-file=false", "--load=module-null-sink sink_name=out rate=48000",
                   protocol.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && m_pid > 0 && !Running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return Running();
    }
    /// Kills the server (as a crash would) and removes its socket.
    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove(Socket(), ec);
    }
    bool Running() const {
        std::error_code ec;
        return m_pid > 0 && std::filesystem::exists(Socket(), ec);
    }

private:
    std::string Socket() const { return m_dir + "/native"; }

    std::string m_dir;
    pid_t m_pid = -1;
};

}  // namespace marble::test
