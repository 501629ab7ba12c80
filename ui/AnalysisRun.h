#pragma once

#include <QObject>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "analysis/Analysis.h"
#include "analysis/Spectra.h"

namespace kelmora {

// The signals and the thread of a long analysis run (TRun below): a Qt class cannot be a
// template, so the run's typed parts sit in the template on top of this.
class TRunBase : public QObject {
    Q_OBJECT
  public:
    explicit TRunBase(QObject* parent = nullptr) : QObject(parent) {}
    // The run ends at the analysis's next check, keeping the replicates done so far.
    void Stop() { stop_ = true; }
    bool Running() const { return thread_.joinable(); }

  Q_SIGNALS:
    void Progressed();
    void Finished();

  protected:
    // Runs work on a thread of its own; Finished follows on the user-interface thread.
    void StartThread(std::function<void()> work);
    // A progress signal waits in the event queue; later reports only update the value, so a
    // fast run cannot flood the queue.
    void PostProgress();
    void Join();
    bool StopRequested() const { return stop_.load(); }

  private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> progressPosted_{false};
};

// One analysis at a time, on its own copy of the data. Progress and the end arrive as signals
// on the user-interface thread; the result (or the error the analysis raised) is handed over
// once, after Finished.
template <class TResult, class TProgress>
class TRun : public TRunBase {
  public:
    using TReport = std::function<void(const TProgress&)>;
    using TStopAsked = std::function<bool()>;
    using TWork = std::function<TResult(const TReport&, const TStopAsked&)>;

    explicit TRun(QObject* parent = nullptr) : TRunBase(parent) {}
    // Stops a run still going and waits for it, so nothing outlives the window.
    ~TRun() override {
        Stop();
        Join();
    }

    // After Finished: whether the analysis raised an error instead of giving a result.
    bool Failed() const {
        const std::lock_guard lock(mutex_);
        return error_ != nullptr;
    }
    // The latest progress the run reported.
    TProgress LastProgress() const {
        const std::lock_guard lock(mutex_);
        return progress_;
    }
    // After Finished: the result; an error of the analysis is raised again here, on the
    // caller's thread.
    TResult TakeResult() {
        const std::lock_guard lock(mutex_);
        if (error_) {
            std::rethrow_exception(std::exchange(error_, nullptr));
        }
        TResult result = std::move(*result_);
        result_.reset();
        return result;
    }
    // After Finished: forgets what the run brought, result or error alike.
    void Discard() {
        const std::lock_guard lock(mutex_);
        result_.reset();
        error_ = nullptr;
    }

  protected:
    void StartWork(TWork work) {
        Join();
        result_.reset();
        error_ = nullptr;
        progress_ = {};
        StartThread([this, w = std::move(work)] {
            const TReport report = [this](const TProgress& p) {
                {
                    const std::lock_guard lock(mutex_);
                    progress_ = p;
                }
                PostProgress();
            };
            std::optional<TResult> result;
            std::exception_ptr error;
            try {
                result = w(report, [this] { return StopRequested(); });
            } catch (...) {
                error = std::current_exception();
            }
            const std::lock_guard lock(mutex_);
            result_ = std::move(result);
            error_ = error;
        });
    }

  private:
    mutable std::mutex mutex_;
    TProgress progress_{};
    std::optional<TResult> result_;
    std::exception_ptr error_;
};

class TAnalysisRun : public TRun<analysis::TAnalysisResult, analysis::TAnalysisProgress> {
  public:
    using TRun::TRun;
    void Start(analysis::TTitration titration, analysis::TAnalysisSettings settings);
};

// Where the spectra's Monte Carlo stands: the model and its replicates done of how many.
struct TSpectraProgress {
    std::string Model;
    int Done = 0;
    int Total = 0;
};

class TSpectraRun : public TRun<analysis::TSpectraResult, TSpectraProgress> {
  public:
    using TRun::TRun;
    void Start(analysis::TSpectraTitration titration, analysis::TSpectraSettings settings);
};

}  // namespace kelmora
