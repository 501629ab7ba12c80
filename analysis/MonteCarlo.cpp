#include "analysis/MonteCarlo.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "analysis/Random.h"

namespace kelmora::analysis {
namespace {

Eigen::VectorXd Replicate(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& best,
                          const Eigen::MatrixXd& bestShifts, const TMonteCarloSetup& setup,
                          int index) {
    TReplicateRandom random(setup.Seed, static_cast<std::uint64_t>(index));
    TFitData replicate = data;
    if (setup.ConcErrorRel > 0.0) {
        // The true concentrations differ from the nominal ones the refit assumes.
        Eigen::VectorXd conc = data.Conc;
        Eigen::VectorXd host = data.Host;
        for (Eigen::Index i = 0; i < conc.size(); ++i) {
            conc[i] = std::max(0.0, conc[i] * (1.0 + setup.ConcErrorRel * random.Normal()));
            host[i] = std::abs(host[i] * (1.0 + setup.ConcErrorRel * random.Normal()));
        }
        replicate.Shifts = ModelShifts(layout, conc, host, best);
    } else {
        replicate.Shifts = bestShifts;
    }
    for (Eigen::Index i = 0; i < replicate.Shifts.rows(); ++i) {
        for (Eigen::Index s = 0; s < replicate.Shifts.cols(); ++s) {
            replicate.Shifts(i, s) += setup.NoiseSd * random.Normal();
        }
    }
    return FitFrom(layout, replicate, best).Values;
}

}  // namespace

TMonteCarloRun RunMonteCarlo(const TLayout& layout, const TFitData& data,
                             const Eigen::VectorXd& best, const TMonteCarloSetup& setup,
                             const std::function<void(int)>& progress,
                             const std::function<bool()>& stop) {
    const int total = setup.Replicates;
    const Eigen::MatrixXd bestShifts = ModelShifts(layout, data.Conc, data.Host, best);
    std::vector<Eigen::VectorXd> results(static_cast<std::size_t>(total));
    std::vector<char> finished(static_cast<std::size_t>(total), 0);
    std::atomic<int> next{0};
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable changed;
    int done = 0;
    std::exception_ptr failure;

    auto work = [&] {
        while (!stopping.load()) {
            const int index = next.fetch_add(1);
            if (index >= total) {
                break;
            }
            try {
                results[static_cast<std::size_t>(index)] =
                    Replicate(layout, data, best, bestShifts, setup, index);
            } catch (...) {
                const std::lock_guard lock(mutex);
                failure = std::current_exception();
                stopping = true;
            }
            const std::lock_guard lock(mutex);
            finished[static_cast<std::size_t>(index)] = 1;
            ++done;
            changed.notify_all();
        }
    };
    const int threads = std::max(1, std::min(setup.Threads, total));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(work);
    }
    TMonteCarloRun run;
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
                run.Stopped = true;
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
    for (int i = 0; i < total; ++i) {
        if (finished[static_cast<std::size_t>(i)] != 0) {
            run.Values.push_back(std::move(results[static_cast<std::size_t>(i)]));
        }
    }
    if (progress) {
        progress(static_cast<int>(run.Values.size()));
    }
    return run;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const double h = p * static_cast<double>(values.size() - 1);
    const auto lo = static_cast<std::size_t>(h);
    const std::size_t hi = std::min(lo + 1, values.size() - 1);
    return values[lo] + (h - static_cast<double>(lo)) * (values[hi] - values[lo]);
}

}  // namespace kelmora::analysis
