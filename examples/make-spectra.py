#!/usr/bin/env python3
"""Simulated UV-Vis titrations of a zinc porphyrin with a pyridine-type ligand.

Writes spectra-1to1.csv / points-1to1.txt and spectra-1to2.csv / points-1to2.txt beside this
script: 25 spectra from 400 to 650 nm in 1 nm steps, Gaussian noise of sd 0.002 AU, from the
constants and band shapes below. The host is diluted by the titrant; the ligand is transparent.
Run it again to remake the files: the noise is seeded, so they come out the same.
"""
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
WAVELENGTHS = list(range(400, 651))
NOISE = 0.002  # AU
PATH = 1.0  # cm
HOST0 = 2.0e-6  # M, before dilution

# Bands (centre nm, peak eps M^-1 cm^-1, sd nm): a Soret band and two Q bands per species, each
# moving to the red as the zinc takes one ligand and then a second.
BANDS = {
    "P": [(419, 5.0e5, 6.0), (548, 2.2e4, 10.0), (586, 4.0e3, 9.0)],
    "PL": [(428, 4.6e5, 7.0), (562, 1.8e4, 11.0), (602, 9.0e3, 10.0)],
    "PL2": [(434, 3.8e5, 8.0), (570, 1.5e4, 12.0), (612, 1.1e4, 10.0)],
}

TITRATIONS = [
    # name, lg K1, overall lg K2 (None: no PL2), largest C (M), seed
    ("1to1", 3.8, None, 0.02, 1),
    ("1to2", 4.3, 6.5, 0.2, 2),
]


def eps(species, wavelength):
    return sum(h * math.exp(-0.5 * ((wavelength - c) / s) ** 2) for c, h, s in BANDS[species])


def species(host, conc, k1, b2):
    """[P], [PL], [PL2] at totals host and conc: the ligand balance by bisection on free L."""
    lo, hi = 0.0, conc
    for _ in range(200):
        free = 0.5 * (lo + hi)
        bound = host * (k1 * free + 2 * b2 * free * free) / (1 + k1 * free + b2 * free * free)
        if free + bound > conc:
            hi = free
        else:
            lo = free
    free = 0.5 * (lo + hi)
    p = host / (1 + k1 * free + b2 * free * free)
    return p, k1 * p * free, b2 * p * free * free


def write(name, lgk1, lgk2, cmax, seed):
    rng = random.Random(seed)
    n = 25
    # Geometric steps after the first, bare spectrum: the binding curve is sampled evenly in lg C.
    concs = [0.0] + [cmax * 10 ** (-3.0 * (n - 1 - i) / (n - 2)) for i in range(1, n)]
    hosts = [HOST0 / (1 + 0.004 * i) for i in range(n)]
    k1 = 10 ** lgk1
    b2 = 10 ** lgk2 if lgk2 is not None else 0.0
    spectra = []
    for c, h in zip(concs, hosts):
        p, pl, pl2 = species(h, c, k1, b2)
        spectra.append([PATH * (eps("P", w) * p + eps("PL", w) * pl + eps("PL2", w) * pl2)
                        + rng.gauss(0.0, NOISE) for w in WAVELENGTHS])
    with open(os.path.join(HERE, "spectra-" + name + ".csv"), "w", newline="\n") as out:
        out.write("nm," + ",".join("s%d" % (i + 1) for i in range(n)) + "\n")
        for k, w in enumerate(WAVELENGTHS):
            out.write("%d," % w + ",".join("%.5f" % s[k] for s in spectra) + "\n")
    with open(os.path.join(HERE, "points-" + name + ".txt"), "w", newline="\n") as out:
        out.write("C\tP0\n")
        for c, h in zip(concs, hosts):
            out.write("%.6g\t%.6g\n" % (c, h))


if __name__ == "__main__":
    for titration in TITRATIONS:
        write(*titration)
