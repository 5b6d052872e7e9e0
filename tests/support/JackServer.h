#pragma once
// A JACK server of the test's own (dummy driver: no sound device, no realtime), so the live MIDI
// path runs for real on machines without an ALSA sequencer. Its name is unique to the process and
// becomes the default server of the clients the test opens; it is stopped when the test ends.
#include "midi/MidiInput.h"
#include "platform/core/Clock.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace miditest {

class JackServer {
public:
    JackServer()
    {
        if (access("/usr/bin/jackd", X_OK) != 0) {
            m_problem = "jackd is not installed";
            return;
        }
        m_name = "beatstrip-test-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        m_pid = fork();
        if (m_pid == 0) {
            int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 1);
            dup2(quiet, 2);
            execl("/usr/bin/jackd", "jackd", "-r", "-n", m_name.c_str(), "-d", "dummy", "-r", "48000", "-p", "256",
                static_cast<char*>(nullptr));
            _exit(127);
        }
        if (m_pid < 0) {
            m_problem = "jackd could not be started";
            return;
        }
        // Up when a client can list ports from it; a server that cannot start ends at once.
        auto clock = core::Clock::real();
        for (int i = 0; i < 100 && !m_running; ++i) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                m_problem = "jackd ended at start";
                return;
            }
            auto probe = midi::MidiInput::open(clock, [](const midi::NoteEvent&) { });
            m_running = probe->available() && probe->backend() == "JACK";
            if (!m_running)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!m_running)
            m_problem = "jackd did not come up";
    }
    ~JackServer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_name.empty())
            unsetenv("JACK_DEFAULT_SERVER");
    }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool running() const { return m_running; }
    const std::string& problem() const { return m_problem; }

private:
    std::string m_name;
    std::string m_problem;
    pid_t m_pid = -1;
    bool m_running = false;
};

}
