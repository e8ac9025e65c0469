#!/usr/bin/python3
"""Transforms impedances through lines with scikit-rf, for the test suite to compare with
its own feedline functions.

  skrf_feedline.py IN.json OUT.json

IN.json is a list of lines, each {"f": Hz, "zc": [re, im], "gamma": [re, im] per metre,
"length": metres, "loads": [[re, im]...]}. OUT.json gives for each line "zin", the
impedance seen at the input with each load at the far end, and "zload", the load found
back from that input by taking the line away, both as [[re, im]...].

Each line is a DefinedGammaZ0 medium of that characteristic impedance and propagation
constant, embedded in a 50-ohm port (skrf 0.15's power waves are not matched to a complex
port impedance; a real port with the line embedded is).
Exits with status 77 when scikit-rf cannot be imported.
"""
import json
import sys

try:
    import numpy

    # Debian 12's scikit-rf still names numpy.complex, which its numpy no longer has.
    numpy.complex = complex
    import skrf  # noqa: E402
    from skrf.media import DefinedGammaZ0  # noqa: E402
except ImportError as error:
    print("scikit-rf cannot be imported: %s" % error, file=sys.stderr)
    sys.exit(77)

PORT_OHM = 50.0


def one_port(medium, z):
    network = medium.match(nports=1)
    network.z = numpy.array([[[z]]])
    return network


def transform(line):
    frequency = skrf.Frequency.from_f([line["f"]], unit="hz")
    zc = complex(*line["zc"])
    gamma = complex(*line["gamma"])
    medium = DefinedGammaZ0(frequency=frequency, z0=PORT_OHM, gamma=gamma, Z0=zc)
    piece = medium.line(line["length"], "m", z0=zc, embed=True)
    zin = []
    zload = []
    for re, im in line["loads"]:
        seen = (piece ** one_port(medium, complex(re, im))).z[0, 0, 0]
        back = (piece.inv ** one_port(medium, seen)).z[0, 0, 0]
        zin.append([seen.real, seen.imag])
        zload.append([back.real, back.imag])
    return {"zin": zin, "zload": zload}


if __name__ == "__main__":
    with open(sys.argv[1]) as f:
        lines = json.load(f)
    with open(sys.argv[2], "w") as f:
        json.dump([transform(line) for line in lines], f)
