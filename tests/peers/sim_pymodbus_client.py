#!/usr/bin/python3
"""pymodbus 3.0's client against the simulated relay, for the peer tests.

  sim_pymodbus_client.py tcp PORT UNIT      Modbus TCP on 127.0.0.1:PORT
  sim_pymodbus_client.py rtu DEVICE UNIT    Modbus RTU on a serial device

Prints one line per step, "<step> <values...>" or "<step> exception <code>",
and "done" at the end. The test compares the lines.
"""
import logging
import sys

from pymodbus.client import ModbusSerialClient, ModbusTcpClient

logging.disable(logging.CRITICAL)


def show(step, response):
    if response is None or not hasattr(response, "function_code"):
        print(f"{step} failed {response!r}", flush=True)
    elif response.isError():
        print(f"{step} exception {getattr(response, 'exception_code', '?')}", flush=True)
    elif hasattr(response, "registers"):
        print(f"{step} " + " ".join(str(r) for r in response.registers), flush=True)
    elif hasattr(response, "bits"):
        print(f"{step} " + " ".join(str(int(b)) for b in response.bits), flush=True)
    else:
        print(f"{step} ok", flush=True)


def main():
    mode, where, unit = sys.argv[1], sys.argv[2], int(sys.argv[3])
    if mode == "tcp":
        client = ModbusTcpClient("127.0.0.1", port=int(where), timeout=2)
    else:
        client = ModbusSerialClient(where, baudrate=9600, timeout=1)
    if not client.connect():
        print("connect failed", flush=True)
        return 1
    show("identity", client.read_holding_registers(0, 4, slave=unit))
    show("write-password", client.write_registers(590, [0x4142, 0x4344], slave=unit))
    show("password", client.read_holding_registers(590, 3, slave=unit))
    show("start-coil", client.write_coil(1, True, slave=unit))
    show("starter", client.read_holding_registers(1098, 1, slave=unit))
    show("trip-command", client.write_register(6, 13, slave=unit))
    show("status", client.read_holding_registers(1096, 1, slave=unit))
    show("past-the-end", client.read_holding_registers(65530, 10, slave=unit))
    show("unknown-register", client.write_register(400, 1, slave=unit))
    show("selector-too-big", client.write_register(975, 500, slave=unit))
    show("read-coils", client.read_coils(0, 1, slave=unit))
    client.close()
    print("done", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
