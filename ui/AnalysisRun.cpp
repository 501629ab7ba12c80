#include "ui/AnalysisRun.h"

#include <QMetaObject>
#include <utility>

namespace kelmora {

TAnalysisRun::TAnalysisRun(QObject* parent) : QObject(parent) {}

TAnalysisRun::~TAnalysisRun() {
    Stop();
    Join();
}

void TAnalysisRun::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TAnalysisRun::Start(analysis::TTitration titration, analysis::TAnalysisSettings settings) {
    Join();
    stop_ = false;
    result_.reset();
    error_ = nullptr;
    progress_ = {};
    thread_ =
        std::thread([this, t = std::move(titration), s = std::move(settings)] { Work(t, s); });
}

void TAnalysisRun::Work(const analysis::TTitration& titration,
                        const analysis::TAnalysisSettings& settings) {
    analysis::TAnalysisObserver observer;
    observer.StopRequested = [this] { return stop_.load(); };
    observer.Progress = [this](const analysis::TAnalysisProgress& p) {
        {
            const std::lock_guard lock(mutex_);
            progress_ = p;
        }
        if (!progressPosted_.exchange(true)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    progressPosted_ = false;
                    Q_EMIT Progressed();
                },
                Qt::QueuedConnection);
        }
    };
    std::optional<analysis::TAnalysisResult> result;
    std::exception_ptr error;
    try {
        result = analysis::RunAnalysis(titration, settings, observer);
    } catch (...) {
        error = std::current_exception();  // raised again on the window's thread
    }
    {
        const std::lock_guard lock(mutex_);
        result_ = std::move(result);
        error_ = error;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            Join();
            Q_EMIT Finished();
        },
        Qt::QueuedConnection);
}

bool TAnalysisRun::Failed() const {
    const std::lock_guard lock(mutex_);
    return error_ != nullptr;
}

analysis::TAnalysisProgress TAnalysisRun::LastProgress() const {
    const std::lock_guard lock(mutex_);
    return progress_;
}

void TAnalysisRun::Discard() {
    const std::lock_guard lock(mutex_);
    result_.reset();
    error_ = nullptr;
}

analysis::TAnalysisResult TAnalysisRun::TakeResult() {
    const std::lock_guard lock(mutex_);
    if (error_) {
        std::rethrow_exception(std::exchange(error_, nullptr));
    }
    analysis::TAnalysisResult result = std::move(*result_);
    result_.reset();
    return result;
}

}  // namespace kelmora
