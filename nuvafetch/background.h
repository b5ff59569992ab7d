#pragma once

#include <functional>

/// Runs job on a worker thread while the calling thread waits in a local
/// event loop, so that windows keep painting and a close box still works
/// during a long transfer. Returns when the job has ended, rethrowing what
/// it threw. The wait cursor shows meanwhile.
void runInBackground(const std::function<void()>& job);
