#!/usr/bin/python3
"""Reads and writes one-port Touchstone files with scikit-rf, for the test suite to compare
with its own reader and writer.

  skrf_touchstone.py write OUT.json DIR    writes files in every form into DIR
  skrf_touchstone.py read OUT.json FILE... reads the files

OUT.json maps each file's path to {"z0": ohms, "f": [Hz...], "z": [[re, im]...]} as
scikit-rf computes them.
"""
import json
import sys

import numpy

# Debian 12's scikit-rf still names numpy.complex, which its numpy no longer has.
numpy.complex = complex
import skrf  # noqa: E402

# Loads of every kind an antenna shows: low and high R, both signs of X, near a short.
LOADS = [34.2409 + 14.3275j, 3 + 120j, 800 - 25j, 50 - 30j, 0.5 - 450j, 120 - 75j]


def describe(network):
    return {
        "z0": float(network.z0[0, 0].real),
        "f": [float(f) for f in network.f],
        "z": [[float(z.real), float(z.imag)] for z in network.z[:, 0, 0]],
    }


def write(folder, out):
    result = {}
    for unit in ("Hz", "GHz"):
        for z0 in (50.0, 75.0):
            frequency = skrf.Frequency(1.85, 54, len(LOADS), "MHz")
            frequency.unit = unit
            z = numpy.array(LOADS).reshape(-1, 1, 1)
            s = (z - z0) / (z + z0)
            network = skrf.Network(frequency=frequency, s=s, z0=[z0])
            for form in ("ri", "ma", "db"):
                name = "skrf-%s-%s-%g" % (form, unit, z0)
                network.write_touchstone(name, dir=folder, form=form)
                path = "%s/%s.s1p" % (folder, name)
                result[path] = describe(skrf.Network(path))
    with open(out, "w") as f:
        json.dump(result, f)


def read(out, paths):
    with open(out, "w") as f:
        json.dump({path: describe(skrf.Network(path)) for path in paths}, f)


if __name__ == "__main__":
    if sys.argv[1] == "write":
        write(sys.argv[3], sys.argv[2])
    else:
        read(sys.argv[2], sys.argv[3:])
