#include "ui/AnalysisRun.h"

#include <QMetaObject>

namespace kelmora {

void TRunBase::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TRunBase::StartThread(std::function<void()> work) {
    Join();
    stop_ = false;
    thread_ = std::thread([this, w = std::move(work)] {
        w();
        QMetaObject::invokeMethod(
            this,
            [this] {
                Join();
                Q_EMIT Finished();
            },
            Qt::QueuedConnection);
    });
}

void TRunBase::PostProgress() {
    if (!progressPosted_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                progressPosted_ = false;
                Q_EMIT Progressed();
            },
            Qt::QueuedConnection);
    }
}

void TAnalysisRun::Start(analysis::TTitration titration, analysis::TAnalysisSettings settings) {
    StartWork([t = std::move(titration), s = std::move(settings)](const TReport& report,
                                                                  const TStopAsked& stop) {
        analysis::TAnalysisObserver observer;
        observer.StopRequested = stop;
        observer.Progress = report;
        return analysis::RunAnalysis(t, s, observer);
    });
}

void TSpectraRun::Start(analysis::TSpectraTitration titration,
                        analysis::TSpectraSettings settings) {
    StartWork([t = std::move(titration), s = std::move(settings)](const TReport& report,
                                                                  const TStopAsked& stop) {
        analysis::TSpectraObserver observer;
        observer.StopRequested = stop;
        observer.Progress = [&report](const std::string& model, int done, int total) {
            report({model, done, total});
        };
        return analysis::RunSpectraAnalysis(t, s, observer);
    });
}

}  // namespace kelmora
