# An I/O coupler played by pymodbus, a Modbus implementation independent of
# the libmodbus that vek speaks: discrete inputs and coils at addresses
# 0..63 (PDU addressing) on 127.0.0.1:PORT; the inputs given after the port
# are on. Serves until killed.
#   /usr/bin/python3 coupler.py PORT [INPUT_ADDRESS...]
import logging
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.server import StartTcpServer

logging.disable(logging.CRITICAL)  # a master that hangs up is no news here
port = int(sys.argv[1])
inputs = [0] * 64
for address in sys.argv[2:]:
    inputs[int(address)] = 1
store = ModbusSlaveContext(di=ModbusSequentialDataBlock(0, inputs), co=ModbusSequentialDataBlock(0, [0] * 64),
                           zero_mode=True)
StartTcpServer(context=ModbusServerContext(slaves=store, single=True), address=("127.0.0.1", port))
