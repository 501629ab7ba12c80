#pragma once

#include <QObject>
#include <atomic>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "analysis/Analysis.h"

namespace kelmora {

// One analysis at a time on a thread of its own, on its own copy of the data. Progress and the
// end arrive as signals on the user-interface thread; the result (or the error the analysis
// raised) is handed over once, after Finished.
class TAnalysisRun : public QObject {
    Q_OBJECT
  public:
    explicit TAnalysisRun(QObject* parent = nullptr);
    // Stops a run still going and waits for it, so nothing outlives the window.
    ~TAnalysisRun() override;

    void Start(analysis::TTitration titration, analysis::TAnalysisSettings settings);
    // The run ends at the analysis's next check, keeping the replicates done so far.
    void Stop() { stop_ = true; }
    bool Running() const { return thread_.joinable(); }

    // After Finished: whether the analysis raised an error instead of giving a result.
    bool Failed() const;
    // The latest progress the run reported.
    analysis::TAnalysisProgress LastProgress() const;
    // After Finished: the result, or nothing when the analysis raised an error; that error is
    // raised again here, on the caller's thread.
    analysis::TAnalysisResult TakeResult();
    // After Finished: forgets what the run brought, result or error alike.
    void Discard();

  Q_SIGNALS:
    void Progressed();
    void Finished();

  private:
    void Work(const analysis::TTitration& titration, const analysis::TAnalysisSettings& settings);
    void Join();

    std::thread thread_;
    std::atomic<bool> stop_{false};
    // A progress signal waits in the event queue; later reports only update the value, so a
    // fast run cannot flood the queue.
    std::atomic<bool> progressPosted_{false};
    mutable std::mutex mutex_;
    analysis::TAnalysisProgress progress_;
    std::optional<analysis::TAnalysisResult> result_;
    std::exception_ptr error_;
};

}  // namespace kelmora
