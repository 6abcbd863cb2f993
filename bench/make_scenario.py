#!/usr/bin/env python3
"""Writes a fabric scenario of N controller pairs (sim/scenarios format) to standard output.

Each pair is a storage system like the default scenario's: controller A and B on their own host adapters
(adapters 0-31 in turn, the target number moving on after every 16 pairs), two vdisks and a volume on
each mapped to the host.

    make_scenario.py N   (0 <= N <= 128)
"""
import sys


def pair(i):
    serial = 0x00C0FF100000 + 2 * i
    adapter_a = (2 * i) % 32
    return f"""[system.{i + 1}]
name = Stor-{i + 1}
product = Stor 3920 FC
drives = 12
unique_sn = {0x300000 + i:06X}
target = {(2 * i) // 32}
serial_a = {serial:012X}
serial_b = {serial + 1:012X}
unique_id_a = {0x0A0000000000 + 2 * i:012X}
unique_id_b = {0x0A0000000001 + 2 * i:012X}
adapter_a = {adapter_a}
adapter_b = {adapter_a + 1}
port_a = 0
port_b = 1
host_port_a = {0x2100001B32000000 + i:016X}
host_port_b = {0x2101001B32000000 + i:016X}
port_wwpn_a = {0x207000C0FF000000 + 2 * i:016X}
port_wwpn_b = {0x217000C0FF000000 + 2 * i + 1:016X}
port_wwnn_a = {0x208000C0FF000000 + i:016X}
port_wwnn_b = {0x208000C0FF000000 + i:016X}

[array.vd{i + 1}]
system = system.{i + 1}
name = vd{i + 1:02d}
raid = 5
drives = 5

[array.vl{i + 1}]
system = system.{i + 1}
name = vl{i + 1:02d}
raid = 1
drives = 2

[volume.v{i + 1}]
array = array.vd{i + 1}
name = data{i + 1:02d}
size_mb = 10240
lun = 1

[volume.l{i + 1}]
array = array.vl{i + 1}
name = logs{i + 1:02d}
size_mb = 4096
lun = 2
"""


def main():
    if len(sys.argv) != 2 or not sys.argv[1].isdigit() or int(sys.argv[1]) > 128:
        sys.exit(__doc__)
    count = int(sys.argv[1])
    print(f"; {count} controller pairs, written by bench/make_scenario.py\n")
    for i in range(count):
        print(pair(i))


if __name__ == "__main__":
    main()
