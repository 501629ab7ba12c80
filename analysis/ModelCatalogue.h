#pragma once

// The binding models the analysis knows, each one entry: its complexes, its lg K parameters and
// how they give every complex's overall constant, and the simpler models it contains. Layout,
// speciation, names, comparisons and texts are read from here, so a new model is a new entry.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Speciation.h"

namespace kelmora::analysis {

// A complex of a model: lg β = Offset + Σ_j LgKCoefficients[j]·lgK_j over the model's lg K, so
// the coefficients are also d lg β / d lg K.
struct TModelComplex {
    TSpecies Species;
    std::vector<double> LgKCoefficients;
    double Offset = 0.0;
};

struct TModelDef {
    std::string Name;                      // "1:2nc": the name scripts and files use
    std::string Title;                     // "1:2 non-cooperative": the window's word for it
    std::vector<std::string> LgK;          // "lgK1", ...: the nonlinear parameters
    std::vector<TModelComplex> Complexes;  // in the order of their shift parameters
    // Every model this one contains as a special case (a nested F-test), richest first is not
    // required; the order is the order of the comparisons.
    std::vector<std::string> Nests;
    std::string Equations;  // "P + L ⇌ PL, K1 = [PL]/([P][L])" for the texts
};

// "1:1", "1:2", "1:2nc", "2:1", "2:1/1:1", "2:1/1:1/1:2".
const std::vector<TModelDef>& ModelCatalogue();

// The three models fitted when none are named: what scripts have always seen.
std::vector<TModelDef> DefaultModels();

// Null when the catalogue has no such model.
const TModelDef* FindModel(std::string_view name);

// "P", "L", "PL", "PL2", "P2L", "P2L3".
std::string SpeciesName(TSpecies species);

// The name of a complex's overall constant: "K1" (PL), "K2" (PL2), "K21" (P2L), "K23" (P2L3).
std::string ConstantName(TSpecies complex);

// Free P, free L and the complexes: the order of TEquilibrium.
std::vector<TSpecies> ModelSpecies(const TModelDef& model);

// Every complex's lg β at the model's lg K.
void ComplexLgBeta(const TModelDef& model, std::span<const double> lgK, std::span<double> lgBeta);

// True when simpler is one of richer's nested models.
bool Nests(const TModelDef& richer, const TModelDef& simpler);

}  // namespace kelmora::analysis
