#include "vek/comm/ICommunication.h"

#include "vek/comm/engine/ProgramTransfer.h"

namespace vek {

void ICommunication::forceUpload(int32_t Index, const std::string& fileName) {
    ProgramTransfer(*this).upload(Index, fileName);
}

void ICommunication::download(int32_t Index, const std::string& fileName) {
    ProgramTransfer(*this).download(Index, fileName);
}

}  // namespace vek
