#include "app/HeadlessHost.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "util/NumberText.h"
#include "util/TickCount.h"

namespace kelmora {

namespace {

volatile std::sig_atomic_t sigintRaised = 0;

extern "C" void OnSigint(int) {
    sigintRaised = 1;
}

struct sigaction previousAction {};

}  // namespace

TSigintGuard::TSigintGuard() {
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &previousAction);
}

TSigintGuard::~TSigintGuard() {
    sigaction(SIGINT, &previousAction, nullptr);
}

bool TSigintGuard::Raised() {
    return sigintRaised != 0;
}

void TSigintGuard::ResetForTest() {
    sigintRaised = 0;
}

std::string ProgressLineText(const TProgressInfo& info) {
    char buf[160];
    if (info.Scanning) {
        std::snprintf(buf, sizeof buf, "Scanning: %3.0f%% done, %d minima", info.ShareDone * 100.0,
                      info.MinimaFound);
    } else {
        std::snprintf(buf, sizeof buf, "Optimizing: %lld sweeps, Q=%s",
                      static_cast<long long>(info.Sweeps), FormatGeneral(info.Q).c_str());
    }
    return buf;
}

THeadlessFitHost::THeadlessFitHost(const TFitState& state, TMinimaStore& minima,
                                   std::ostream* progress)
    : state_(state), minima_(minima), progress_(progress) {}

THeadlessFitHost::~THeadlessFitHost() {
    EndProgressLine();
}

std::uint32_t THeadlessFitHost::TickCount() {
    return MonotonicTickCount();
}

void THeadlessFitHost::PhaseChanged(TFitPhase phase) {
    scanning_ = phase != TFitPhase::Optimizing;
    // During a refinement the outermost value wanders with the optimiser; the share shown
    // stays where the lattice was.
    refining_ = phase == TFitPhase::Refining;
    if (phase == TFitPhase::Optimizing) {
        iterAtStart_ = state_.IterLeft;
    }
}

TProgressInfo THeadlessFitHost::Progress() const {
    TProgressInfo info;
    info.Scanning = scanning_;
    info.MinimaFound = minima_.Count();
    info.Q = state_.Q;
    info.Sweeps = std::int64_t{iterAtStart_} - state_.IterLeft;
    info.ShareDone = shareDone_;
    return info;
}

bool THeadlessFitHost::TestStop() {
    if (scanning_ && !refining_) {
        // The outermost level walks the first marked parameter from MinVal in ScanStep.
        for (const TFitParam& p : state_.FitParams) {
            if (p.ScanFlag) {
                if (p.StepsCount > 0 && p.ScanStep != 0.0) {
                    const double done = (p.Value - p.MinVal) / p.ScanStep + 1.0;
                    shareDone_ = std::clamp(done / p.StepsCount, 0.0, 1.0);
                }
                break;
            }
        }
    }
    if (progress_ != nullptr) {
        *progress_ << '\r' << ProgressLineText(Progress()) << "\x1b[K" << std::flush;
        lineShown_ = true;
    }
    return TSigintGuard::Raised();
}

void THeadlessFitHost::EndProgressLine() {
    if (progress_ != nullptr && lineShown_) {
        *progress_ << "\r\x1b[K" << std::flush;
        lineShown_ = false;
    }
}

}  // namespace kelmora
