// A child process whose standard output comes back through a pipe, read line by line while
// it runs; killed and reaped when its owner goes (POSIX only).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace store_test {

class ChildProcess {
  public:
    explicit ChildProcess(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = fds[0];
        if (error != 0) {
            ::close(out_);
            throw std::runtime_error("cannot start " + args[0]);
        }
    }
    ~ChildProcess() {
        if (pid_ > 0) {
            Kill();
        }
        ::close(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads what the child writes until `lines` whole lines have come in all, the wait has
    // lasted `most`, or the child closed its output. False once the output is closed.
    bool ReadUntil(size_t lines, std::chrono::microseconds most) {
        const auto end = std::chrono::steady_clock::now() + most;
        while (open_ && lines_.size() < lines) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() < 0) {
                break;
            }
            pollfd ready{out_, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            ReadSome();
        }
        return open_;
    }
    void ReadToEnd() {
        while (open_) {
            ReadSome();
        }
    }

    void Kill() { ::kill(pid_, SIGKILL); }
    // Waits for the end; the exit code, or 128 + the signal that ended it.
    int Wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // The whole lines written so far.
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    void ReadSome() {
        char buffer[4096];
        const ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            return;
        }
        if (got <= 0) {
            open_ = false;
            return;
        }
        partial_.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    bool open_ = true;
    std::string partial_;
    std::vector<std::string> lines_;
};

// Tells when a file of a given name is created in a folder (inotify), from construction on.
class CreationWatch {
  public:
    CreationWatch(const std::string& folder, std::string name) : name_(std::move(name)) {
        fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE) < 0) {
            throw std::runtime_error("cannot watch " + folder);
        }
    }
    ~CreationWatch() { ::close(fd_); }
    CreationWatch(const CreationWatch&) = delete;
    CreationWatch& operator=(const CreationWatch&) = delete;

    // True once the file was created since the last call, waiting at most `most`.
    bool Wait(std::chrono::milliseconds most) {
        const auto end = std::chrono::steady_clock::now() + most;
        for (;;) {
            alignas(inotify_event) char buffer[4096];
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && name_ == event->name) {
                    return true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd ready{fd_, POLLIN, 0};
            ::poll(&ready, 1, static_cast<int>(left.count()));
        }
    }

  private:
    int fd_ = -1;
    std::string name_;
};

}  // namespace store_test
