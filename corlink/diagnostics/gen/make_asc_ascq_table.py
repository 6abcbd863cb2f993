#!/usr/bin/env python3
"""Writes asc_ascq_table.inc, the ASC/ASCQ texts of the event texts, once, from the standard description
table that sg3_utils ships. Needs a C compiler and the sg3_utils development package:

    apt-get install -y libsgutils2-dev
    python3 corlink/diagnostics/gen/make_asc_ascq_table.py

The keys are the ones the controllers' event texts decode; standard rows take the library's description in
lower case, the rows below in OWN_TEXTS are kept exactly as the controllers word them (the shortened
not-ready family and the vendor codes). The output is committed; nothing builds or runs against sg3_utils.
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUTPUT = os.path.join(os.path.dirname(HERE), "asc_ascq_table.inc")

# ASC: ASCQ values (ranges inclusive), all hexadecimal.
KEYS = """
00: 00, 06, 16-17; 01: 00; 02: 00; 03: 00; 04: 00-07, 09-0C, 10; 05: 00; 06: 00; 07: 00; 08: 00-04;
09: 00, 04; 0A: 00; 0B: 00-02; 0C: 02-06, 0B-0D; 0D: 00-05; 0E: 00-02; 10: 00; 11: 00-04, 0A-0E, 12-13;
12: 00; 13: 00; 14: 00-01, 05-06; 15: 00-02; 16: 00-04; 17: 00-03, 05-09; 18: 00-02, 05-07; 19: 00-03;
1A: 00; 1B: 00; 1C: 00-02; 1D: 00; 1E: 00; 1F: 00; 20: 00-03, 08-0B; 21: 00-01; 22: 00; 24: 00-01; 25: 00;
26: 00-0D; 27: 00-02; 28: 00-01; 29: 00-07; 2A: 00-07; 2B: 00; 2C: 00, 07-09; 2F: 00; 30: 00-07; 31: 00-01;
32: 00-01; 34: 00; 35: 00-04; 37: 00; 39: 00; 3A: 00-04; 3B: 0D-0E, 11-15; 3D: 00; 3E: 00-04; 3F: 00-11;
40: 00; 41: 00; 42: 00; 43: 00; 44: 00; 45: 00; 46: 00; 47: 00-05; 48: 00; 49: 00; 4A: 00; 4B: 00-04;
4C: 00; 4E: 00; 53: 00, 02; 55: 01-06; 5A: 00-03; 5B: 00-03; 5C: 00-02;
5D: 00, 10-1C, 20-2C, 30-3C, 40-4C, 50-5C, 60-6C, FF; 5E: 00-04; 65: 00; 67: 0A; 82: 00; 83: 00; 84: 00;
85: 00
"""
KEY_COUNT = 349

OWN_TEXTS = {
    0x0000: "no additional sense information",
    0x0400: "LUN not ready",
    0x0401: "LUN not ready, becoming ready",
    0x0402: "LUN not ready, need init cmd",
    0x0403: "LUN not ready, need manual intervention",
    0x0404: "LUN not ready, formatting",
    0x0405: "LUN not ready, rebuilding",
    0x0406: "LUN not ready, recalculating",
    0x0407: "LUN not ready, operation in progress",
    0x0409: "LUN not ready, self-test in progress",
    0x040A: "LUN not accessible, asymmetric accsss state transition",
    0x040B: "LUN not accessible, target port in standby state",
    0x040C: "LUN not accessible, target port in unavailable state",
    0x0410: "LUN not ready, auxiliary memory not accessible",
    0x0500: "LUN does not respond to selection",
    0x0803: "logical unit communication crc error (ultra-dma/32)",
    0x1801: "recovered data with error corr. & retries applied",
    0x2200: "illegal function (use 20 00, 24 00, or 26 00)",
    0x2900: "power on, reset, or bus device reset occurred",
    0x3F0E: "reported luns data has changed",
    0x4000: "ram failure (should use 40 nn)",
    0x5D00: "failure prediction threshold exceeded",
    0x5D10: "hardware impending failure general hard drive failure",
    0x5DFF: "failure prediction threshold exceeded (false)",
    0x8200: "Inter-Controller Msg error (Fast, BE_FM)",
    0x8300: "Inter-Controller Msg error (Std, BE_M)",
    0x8400: "Inter-Controller Msg error (Other not known, BE_NK)",
    0x8500: "Inter-Controller Msg error (No recv posted, BE_NR)",
}


def parse_keys(text):
    keys = []
    for group in text.replace("\n", " ").split(";"):
        asc, ascqs = group.split(":")
        for part in ascqs.split(","):
            low, _, high = part.strip().partition("-")
            for ascq in range(int(low, 16), int(high or low, 16) + 1):
                keys.append(int(asc, 16) << 8 | ascq)
    return keys


def standard_texts():
    """The library's table as {key: text}; single codes before ranges."""
    with tempfile.TemporaryDirectory() as work:
        program = os.path.join(work, "asc_ascq_dump")
        subprocess.run(["cc", "-o", program, os.path.join(HERE, "asc_ascq_dump.c"), "-lsgutils2"], check=True)
        rows = subprocess.run([program], check=True, capture_output=True, text=True).stdout.splitlines()
    texts, ranges = {}, []
    for row in rows:
        fields = row.split(" ", 4 if row.startswith("R") else 3)
        if fields[0] == "E":
            texts.setdefault(int(fields[1], 16) << 8 | int(fields[2], 16), fields[3])
        else:
            ranges.append((int(fields[1], 16), int(fields[2], 16), int(fields[3], 16), fields[4]))
    for asc, low, high, text in ranges:
        for ascq in range(low, high + 1):
            texts.setdefault(asc << 8 | ascq, text.replace("0x%x", "%02x" % ascq))
    return texts


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    keys = parse_keys(KEYS)
    if len(keys) != KEY_COUNT or len(set(keys)) != KEY_COUNT or not set(OWN_TEXTS) <= set(keys):
        sys.exit("key list is inconsistent")
    standard = standard_texts()
    missing = [k for k in keys if k not in OWN_TEXTS and k not in standard]
    if missing:
        sys.exit("no standard description for " + ", ".join("%04X" % k for k in missing))
    with open(OUTPUT, "w") as out:
        out.write("// Generated by gen/make_asc_ascq_table.py; do not edit.\n")
        out.write("// ASC x 256 + ASCQ and its text, in key order.\n")
        for key in keys:
            text = OWN_TEXTS.get(key) or standard[key].lower()
            out.write("{0x%04X, %s},\n" % (key, c_string(text)))


if __name__ == "__main__":
    main()
