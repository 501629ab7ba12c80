#include "analysisview/Provenance.h"

#include <nettle/sha2.h>

#include <algorithm>
#include <charconv>
#include <ctime>

namespace kelmora {

using analysis::TAnalysisResult;
using analysis::TTitration;

namespace {

std::string Exact(double x) {
    char buf[32];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

// Quoted for a POSIX shell where it has to be.
std::string ShellWord(const std::string& word) {
    if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTU"
                                                "VWXYZ0123456789-_.,/:=+@%") == std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string ModelList(const std::vector<analysis::TModelDef>& models) {
    std::string out;
    for (const analysis::TModelDef& m : models) {
        out += (out.empty() ? "" : ",") + m.Name;
    }
    return out;
}

std::string CommaList(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        out += (out.empty() ? "" : ",") + n;
    }
    return out;
}

}  // namespace

std::string TitrationText(const TTitration& titration) {
    const std::vector<std::string> names = analysis::SignalNamesOf(titration);
    std::string out = "C\tP0";
    for (const std::string& name : names) {
        out += "\t" + name;
    }
    out += "\n";
    for (std::size_t i = 0; i < titration.Conc.size(); ++i) {
        out += Exact(titration.Conc[i]) + "\t" + Exact(titration.HostAt(i));
        for (const double shift : titration.Shifts[i]) {
            out += "\t" + Exact(shift);
        }
        out += "\n";
    }
    return out;
}

std::string Sha256Hex(const std::string& bytes) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    sha256_update(&ctx, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t b : digest) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string AnalyzeCommandLine(const analysis::TAnalysisSettings& settings,
                               const std::string& dataFile, std::optional<double> p0,
                               std::string_view dataOption) {
    std::string out = "kelmora-fit analyze " + (p0 ? "--p0 " + Exact(*p0) : "--host-column") +
                      " --models " + ModelList(settings.Models);
    if (!settings.GuestSignals.empty()) {
        out += " --guest-signals " + ShellWord(CommaList(settings.GuestSignals));
    }
    if (settings.LinearTerm) {
        out += " --linear-term";
    }
    if (settings.WeightPerSignal) {
        out += " --weight per-signal";
    }
    for (const analysis::TFixedParam& f : settings.Fixed) {
        out += " --fix " + ShellWord(f.Name + "=" + Exact(f.Value));
    }
    if (settings.WeightPerSignal) {
        out += " --weight per-signal";
    }
    out += " --mc " + std::to_string(settings.Replicates) + " --seed " +
           std::to_string(settings.Seed) + " --conc-error " + Exact(settings.ConcErrorPercent) +
           " " + std::string(dataOption) + " " + ShellWord(dataFile);
    return out;
}

std::vector<std::string> ProvenanceLines(const TAnalysisResult& result, const TTitration& titration,
                                         const TRunRecord& record) {
    const analysis::TAnalysisSettings& s = record.Settings;
    std::vector<std::string> lines;
    lines.push_back("Kelmora " + record.Version + ", " + record.Date);
    std::string fixed;
    for (const analysis::TFixedParam& f : s.Fixed) {
        fixed += (fixed.empty() ? "" : ", ") + f.Name + " = " + Exact(f.Value);
    }
    lines.push_back("Models: " + ModelList(s.Models) + "; guest signals: " +
                    (s.GuestSignals.empty() ? "none" : CommaList(s.GuestSignals)) +
                    "; linear term: " + (s.LinearTerm ? "on" : "off") +
                    "; fixed: " + (fixed.empty() ? "none" : fixed));
    const auto [lo, hi] = std::minmax_element(titration.Host.begin(), titration.Host.end());
    const std::string host = titration.Host.empty() ? "none"
                             : *lo == *hi           ? Exact(*lo) + " M"
                                          : "from " + Exact(*lo) + " to " + Exact(*hi) + " M";
    std::string names;
    for (const std::string& n : result.SignalNames) {
        names += (names.empty() ? "" : ", ") + n;
    }
    lines.push_back("Points: " + std::to_string(result.Points) + "; signals: " +
                    std::to_string(result.SignalNames.size()) + " (" + names + "); P0: " + host);
    lines.push_back("Monte Carlo replicates: " + std::to_string(result.ReplicatesDone) +
                    " done of " + std::to_string(result.ReplicatesRequested) +
                    (result.Stopped ? " (stopped)" : "") + "; seed " + std::to_string(result.Seed) +
                    "; concentration error " + Exact(s.ConcErrorPercent) + " %");
    if (record.Volumes) {
        lines.push_back(VolumesText(*record.Volumes));
    }
    lines.push_back("Data SHA-256: " + record.DataSha256);
    if (!record.CommandLine.empty()) {
        lines.push_back("Command: " + record.CommandLine);
    }
    return lines;
}

std::string VolumesText(const TVolumeTexts& v) {
    std::string added;
    for (const std::string& a : v.Added) {
        added += (added.empty() ? "" : ", ") + a;
    }
    return "C and P0 from volumes: host stock " + v.HostStock + " M; ligand stock " +
           v.LigandStock + " M (" + (v.HostInLigand ? "with" : "without") +
           " host); starting volume " + v.StartVolume + " µL; " +
           (v.RunningTotal ? "running total" : "each addition") + " in µL: " + added;
}

std::string TodayText() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &utc);
    return buf;
}

}  // namespace kelmora
