#!/usr/bin/env python3
"""Reads the exported EDF+ with an independent reader (MNE) and compares it
with the CSV export of the same session: channel names, units, rate, length,
values and annotations."""
import csv
import subprocess
import sys
import tempfile

import mne
import numpy as np


def header_units(path):
    """Physical dimensions straight from the EDF header (MNE hides unknown units)."""
    with open(path, "rb") as f:
        head = f.read(256)
        ns = int(head[252:256])
        signal_head = f.read(ns * 256)
    offset = ns * (16 + 80)  # after labels and transducer types
    return [signal_head[offset + 8 * i: offset + 8 * i + 8].decode().strip() for i in range(ns)]


def main():
    exporter = sys.argv[1]
    with tempfile.TemporaryDirectory() as d:
        subprocess.run([exporter, d], check=True)
        raw = mne.io.read_raw_edf(f"{d}/session.edf", preload=True, verbose="error")
        units = header_units(f"{d}/session.edf")
        with open(f"{d}/session.csv", newline="") as f:
            rows = [r for r in csv.reader(f) if r and not r[0].startswith("#")]

    header, body = rows[0], rows[1:]
    expected_names = ["ch1 wave", "ch1 static", "ch2 wave", "ch2 static", "ch3 wave", "ch3 static"]
    assert raw.ch_names == expected_names, raw.ch_names
    assert raw.info["sfreq"] == 200.0, raw.info["sfreq"]
    assert units == ["mmHg"] * 6 + [""] * (len(units) - 6), units
    # 1234 frames padded up to whole one-second records.
    assert raw.n_times == 1400, raw.n_times
    assert len(body) == 1233, len(body)

    data = raw.get_data()
    columns = {name: i for i, name in enumerate(header)}
    for row in body:
        t = float(row[0])
        k = round(t * 200)
        for ch in range(3):
            for kind, sig in (("wave", 2 * ch), ("static", 2 * ch + 1)):
                want = float(row[columns[f"ch{ch + 1}_{kind}_mmHg"]])
                got = data[sig, k]
                # MNE computes in float64 from the header's range; exact to rounding.
                assert abs(got - want) <= 1e-9 * max(1.0, abs(want)), (k, sig, got, want)
    # The bad frame holds the value before it.
    assert np.allclose(data[:, 500], data[:, 499])

    notes = {a["description"]: a for a in raw.annotations}
    assert abs(notes["bad frame"]["onset"] - 2.5) < 1e-6, notes["bad frame"]
    assert "sampling started" in notes and "sampling stopped" in notes, list(notes)
    assert abs(notes["sampling stopped"]["onset"] - 6.17) < 1e-6
    pad = notes["padding to fill the last data record"]
    assert abs(pad["onset"] - 6.17) < 1e-6 and abs(pad["duration"] - 0.83) < 1e-6, pad
    print("EDF+ matches the CSV: 6 signals, 200 Hz, 1400 samples, annotations present")


if __name__ == "__main__":
    main()
