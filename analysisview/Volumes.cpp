#include "analysisview/Volumes.h"

#include <string>

#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {

std::vector<TVolumePoint> ConcentrationsFromVolumes(const TVolumeRecipe& recipe) {
    const auto refuse = [](const std::string& what) { throw EKelmoraError(what); };
    if (!(recipe.HostStock > 0.0)) {
        refuse("The host stock concentration must be above 0.");
    }
    if (!(recipe.LigandStock > 0.0)) {
        refuse("The ligand stock concentration must be above 0.");
    }
    if (!(recipe.StartVolume > 0.0)) {
        refuse("The starting volume must be above 0.");
    }
    if (recipe.Added.empty()) {
        refuse("There is no added volume: give one for each point, 0 for the first.");
    }
    std::vector<TVolumePoint> points;
    double total = 0.0;
    for (std::size_t i = 0; i < recipe.Added.size(); ++i) {
        const double v = recipe.Added[i];
        const std::string where = "Point " + std::to_string(i + 1) + ": ";
        if (!(v >= 0.0)) {
            refuse(where + "an added volume cannot be negative.");
        }
        if (recipe.RunningTotal && v < total) {
            refuse(where + "the running total " + FormatGeneral(v) +
                   " µL is below the one before it.");
        }
        total = recipe.RunningTotal ? v : total + v;
        const double volume = recipe.StartVolume + total;
        const double host =
            recipe.HostStock * (recipe.StartVolume + (recipe.HostInLigand ? total : 0.0));
        points.push_back({recipe.LigandStock * total / volume, host / volume});
    }
    return points;
}

}  // namespace kelmora
