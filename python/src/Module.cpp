// The Python module of vek: user programs drive the gantry from Python as
// from C++. The package vek (python/vek/__init__.py) re-exports it.
#include "Binding.h"

PYBIND11_MODULE(_vek, m) {
    m.doc() = vekpy::doc("Server");
    vekpy::bindErrors(m);
    vekpy::bindFoundation(m);
    vekpy::bindGeometry(m);
    vekpy::bindPersistence(m);
    vekpy::bindMotors(m);
    vekpy::bindMotion(m);
    vekpy::bindCommands(m);
    vekpy::bindPeripherals(m);
    vekpy::bindPrograms(m);
}
