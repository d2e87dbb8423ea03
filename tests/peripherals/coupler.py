# An I/O coupler played by pymodbus, a Modbus implementation independent of
# the libmodbus that vek speaks: discrete inputs and coils at addresses
# 0..63 (PDU addressing) on 127.0.0.1:PORT; those named after the port are
# on (i1: input 1, c16: coil 16). Serves until killed.
#   /usr/bin/python3 coupler.py PORT [iN|cN...]
import logging
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.server import StartTcpServer

logging.disable(logging.CRITICAL)  # a master that hangs up is no news here
port = int(sys.argv[1])
bits = {"i": [0] * 64, "c": [0] * 64}
for name in sys.argv[2:]:
    bits[name[0]][int(name[1:])] = 1
store = ModbusSlaveContext(di=ModbusSequentialDataBlock(0, bits["i"]), co=ModbusSequentialDataBlock(0, bits["c"]),
                           zero_mode=True)
StartTcpServer(context=ModbusServerContext(slaves=store, single=True), address=("127.0.0.1", port))
