#include "analysis/Parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace kelmora::analysis {

int ThreadCount(int asked) {
    return asked > 0 ? asked : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

std::vector<char> RunIndexed(int total, int threads, const std::function<void(int)>& job,
                             const std::function<void(int)>& progress,
                             const std::function<bool()>& stop, bool& stopped) {
    std::vector<char> finished(static_cast<std::size_t>(std::max(total, 0)), 0);
    std::atomic<int> next{0};
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable changed;
    int done = 0;
    std::exception_ptr failure;
    const auto work = [&] {
        while (!stopping.load()) {
            const int index = next.fetch_add(1);
            if (index >= total) {
                break;
            }
            bool ran = true;
            try {
                job(index);
            } catch (...) {
                const std::lock_guard lock(mutex);
                failure = std::current_exception();
                stopping = true;
                ran = false;
            }
            const std::lock_guard lock(mutex);
            finished[static_cast<std::size_t>(index)] = ran ? 1 : 0;
            ++done;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int t = 0; t < std::max(1, std::min(threads, total)); ++t) {
        workers.emplace_back(work);
    }
    {
        std::unique_lock lock(mutex);
        while (done < total && !stopping.load()) {
            changed.wait_for(lock, std::chrono::milliseconds(50));
            const int reached = done;
            lock.unlock();
            if (progress) {
                progress(reached);
            }
            if (stop && stop()) {
                stopping = true;
                stopped = true;
            }
            lock.lock();
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return finished;
}

}  // namespace kelmora::analysis
