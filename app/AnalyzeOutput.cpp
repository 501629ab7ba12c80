#include "app/AnalyzeOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <string>

#include "app/ResultFormat.h"

namespace kelmora {
namespace {

using analysis::TAnalysisResult;
using analysis::TConstant;
using analysis::TModelResult;
using analysis::TParamResult;

// An undetermined constant says what its profile bounds ("K1 > 1e+09 M^-1"), never a value.
void WriteConstant(std::ostream& out, const TConstant& k) {
    out << "  " << k.Name;
    if (k.Determined) {
        out << " = " << Num(k.Value);
    } else {
        out << ' ' << (k.Profile95 ? Profile(k.Profile95) : "undetermined");
    }
    out << " M^-" << k.Species.M + k.Species.N - 1 << "   95 %: " << Range(k.Ci95)
        << "   profile: " << Profile(k.Profile95) << "   Monte Carlo: " << Range(k.Mc95) << '\n';
}

void WriteModelText(std::ostream& out, const TModelResult& m) {
    out << "Model " << m.Model.Name << (m.Converged ? "" : ": did not converge") << '\n';
    WriteParamHeader(out);
    for (const TParamResult& p : m.Params) {
        WriteParamLine(out, p);
    }
    for (const TParamResult& p : m.Derived) {
        WriteParamLine(out, p);
    }
    out << std::right;
    for (const TConstant& k : m.Constants) {
        WriteConstant(out, k);
    }
    if (m.ReplicatesDone > 0) {
        out << "  Monte Carlo: " << m.McUsed << " of " << m.ReplicatesDone << " replicates used, "
            << m.McAtBound << " at a search limit of lg K, " << m.McFailed << " did not converge\n";
    }
    out << "  SS " << Num(m.Ss) << "   RMS " << Num(m.Rms) << " ppm   cov_fit " << Num(m.CovFit)
        << "   AIC " << Num(m.Aic) << "   AICc " << Num(m.Aicc) << "   BIC " << Num(m.Bic)
        << "   N - p " << m.Dof << "   stop: " << analysis::StopReasonName(m.Fit.Stop) << '\n';
    for (const analysis::TOtherMinimum& other : m.OtherMinima) {
        out << "  " << analysis::OtherMinimumText(other, m) << '\n';
    }
    if (!m.Message.empty()) {
        out << "  Note: " << m.Message << '\n';
    }
    out << '\n';
}

// Every complex's constant with its intervals; K1 and K2 always, null where the model has no
// such complex, as scripts have always read them.
TJson ConstantsJson(const std::vector<TConstant>& constants) {
    std::vector<std::string> names = {"K1", "K2"};
    for (const TConstant& k : constants) {
        if (std::find(names.begin(), names.end(), k.Name) == names.end()) {
            names.push_back(k.Name);
        }
    }
    TJson doc = TJson::object();
    for (const std::string& name : names) {
        const auto k = std::find_if(constants.begin(), constants.end(),
                                    [&](const TConstant& c) { return c.Name == name; });
        const bool has = k != constants.end();
        doc[name] = has ? JsonNumber(k->Value) : TJson();
        doc[name + "ci95"] = JsonRange(has ? k->Ci95 : std::nullopt);
        doc[name + "mc95"] = JsonRange(has ? k->Mc95 : std::nullopt);
        doc[name + "profile95"] = JsonOpenRange(has ? k->Profile95 : std::nullopt);
    }
    return doc;
}

TJson ModelJson(const TModelResult& m) {
    TJson otherMinima = TJson::array();
    for (const analysis::TOtherMinimum& other : m.OtherMinima) {
        TJson params = TJson::object();
        for (const auto& [name, lgK] : other.LgK) {
            params[name] = JsonNumber(lgK);
        }
        otherMinima.push_back({{"ss", JsonNumber(other.Ss)}, {"params", std::move(params)}});
    }
    TJson doc = ModelSummaryJson(m.Model.Name, m);
    doc["covfit"] = JsonNumber(m.CovFit);
    doc["gradientNorm"] = JsonNumber(m.Fit.GradientNorm);
    doc["mcUnstable"] = m.McUnstable;
    doc["otherMinima"] = std::move(otherMinima);
    doc["params"] = ParamsJson(m.Params);
    doc["derived"] = ParamsJson(m.Derived);
    doc["K"] = ConstantsJson(m.Constants);
    doc["covariance"] = JsonMatrix(m.Covariance);
    doc["correlation"] = JsonMatrix(m.Correlation);
    doc["residuals"] = JsonMatrix(m.Residuals);
    return doc;
}

}  // namespace

void WriteAnalysisText(std::ostream& out, const TAnalysisResult& result) {
    out << "Points " << result.Points << ", signals";
    for (const std::string& name : result.SignalNames) {
        out << ' ' << name;
    }
    out << "\n";
    for (const std::string& warning : result.Warnings) {
        out << "Warning: " << warning << '\n';
    }
    out << '\n';
    for (const TModelResult& m : result.Models) {
        WriteModelText(out, m);
    }
    WriteComparisonText(out, result.Comparison, result.Verdict);
    if (!result.NotFitted.empty()) {
        out << "Stopped while fitting; not fitted:";
        for (const std::string& m : result.NotFitted) {
            out << ' ' << m;
        }
        out << '\n';
    }
    if (result.ReplicatesRequested > 0) {
        out << "Monte Carlo: " << result.ReplicatesDone << " of " << result.ReplicatesRequested
            << " replicates" << (result.Stopped ? " (stopped)" : "") << ", seed " << result.Seed
            << '\n';
    }
}

void WriteAnalysisJson(std::ostream& out, const TAnalysisResult& result) {
    TJson models = TJson::array();
    for (const TModelResult& m : result.Models) {
        models.push_back(ModelJson(m));
    }
    TJson doc = {{"command", "analyze"},
                 {"points", result.Points},
                 {"signals", result.SignalNames},
                 {"seed", result.Seed},
                 {"replicates", result.ReplicatesDone},
                 {"stopped", result.Stopped},
                 {"warnings", result.Warnings},
                 {"signalSd", result.SignalSd.empty() ? TJson() : JsonNumbers(result.SignalSd)},
                 {"notFitted", result.NotFitted},
                 {"models", std::move(models)}};
    AddComparisonJson(doc, result.Comparison, result.Verdict);
    WriteJson(out, doc);
}

}  // namespace kelmora
