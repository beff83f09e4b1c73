#!/usr/bin/python3
"""Reads holding register blocks with pymodbus 3.0, for the peer tests.

  read_blocks.py PORT UNIT FIRST:COUNT [FIRST:COUNT ...]   Modbus TCP on 127.0.0.1:PORT

Prints one line per block, "FIRST w0 w1 ...", or "FIRST failed" and exits 1.
"""
import logging
import sys

from pymodbus.client import ModbusTcpClient

logging.disable(logging.CRITICAL)


def main():
    port, unit = int(sys.argv[1]), int(sys.argv[2])
    client = ModbusTcpClient("127.0.0.1", port=port, timeout=2)
    if not client.connect():
        print("connect failed", flush=True)
        return 1
    status = 0
    for block in sys.argv[3:]:
        first, count = (int(x) for x in block.split(":"))
        r = client.read_holding_registers(first, count, slave=unit)
        if r is None or not hasattr(r, "registers") or r.isError():
            print(f"{first} failed", flush=True)
            status = 1
            continue
        print(f"{first} " + " ".join(str(w) for w in r.registers), flush=True)
    client.close()
    return status


if __name__ == "__main__":
    sys.exit(main())
