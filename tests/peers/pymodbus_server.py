#!/usr/bin/python3
"""A pymodbus 3.0 server for the peer tests and the benchmark.

  pymodbus_server.py tcp            serves Modbus TCP on 127.0.0.1, a free port
  pymodbus_server.py rtu DEVICE     serves Modbus RTU on a serial device

Prints "READY <port>" (tcp) or "READY" (rtu) on stdout once serving. Holding
registers 0..1999 start as their own address (register n holds n) and answer
every unit identifier. Registers outside 0..1999 get an exception reply
(illegal data address). Stops on SIGTERM or when stdin closes.
"""
import asyncio
import logging
import signal
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server.async_io import ModbusSerialServer, ModbusTcpServer
from pymodbus.transaction import ModbusRtuFramer, ModbusSocketFramer

logging.disable(logging.CRITICAL)


def make_context():
    block = ModbusSequentialDataBlock(0, [n & 0xFFFF for n in range(2000)])
    slave = ModbusSlaveContext(hr=block, zero_mode=True)
    return ModbusServerContext(slaves=slave, single=True)


async def main():
    mode = sys.argv[1]
    loop = asyncio.get_running_loop()
    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_reader(sys.stdin.fileno(), lambda: stop.set() if not sys.stdin.read(1) else None)
    if mode == "tcp":
        server = ModbusTcpServer(make_context(), ModbusSocketFramer, None, ("127.0.0.1", 0),
                                 loop=loop)
        task = asyncio.create_task(server.serve_forever())
        await server.serving
        port = server.server.sockets[0].getsockname()[1]
        print(f"READY {port}", flush=True)
    else:
        server = ModbusSerialServer(make_context(), framer=ModbusRtuFramer, port=sys.argv[2],
                                    baudrate=9600, timeout=0.005)
        await server.start()  # opens the device; serve_forever alone never does
        task = asyncio.create_task(server.serve_forever())
        print("READY", flush=True)
    await stop.wait()
    task.cancel()
    try:
        await server.shutdown() if hasattr(server, "shutdown") else None
    except Exception:  # pylint: disable=broad-except
        pass


if __name__ == "__main__":
    asyncio.run(main())
