#pragma once
// Conditions under which writing a file fails, for tests that must see those
// failures: permissions that root would ignore, and a disk that fills up.

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

/// Runs the scope without root's power to ignore permissions (the effective
/// user becomes "nobody"), so that permission failures can be seen.
class Unprivileged {
public:
    Unprivileged()
    {
        if (geteuid() == 0)
            m_switched = seteuid(65534) == 0;
    }
    ~Unprivileged()
    {
        if (m_switched)
            static_cast<void>(seteuid(0));
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;
    bool active() const { return geteuid() != 0; }

private:
    bool m_switched = false;
};

/// Caps the size of files this process writes, so that a write fails part
/// way as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};
