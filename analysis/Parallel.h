#pragma once

#include <functional>
#include <vector>

namespace kelmora::analysis {

// The workers for a request of asked: every core for 0.
int ThreadCount(int asked);

// job(index) for every index below total on up to threads workers. progress(done) and stop()
// are called on the calling thread only; once stop() answers true no new index starts and
// stopped is set. Returns, per index, whether its job ran to the end. An exception from a job
// ends the run and is thrown again here.
std::vector<char> RunIndexed(int total, int threads, const std::function<void(int)>& job,
                             const std::function<void(int)>& progress,
                             const std::function<bool()>& stop, bool& stopped);

}  // namespace kelmora::analysis
