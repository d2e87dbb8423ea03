#include "vek/persistence/SimulationData.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/Database.h"

namespace vek {

SimulationData::SimulationData(std::shared_ptr<Database> database) : database_(std::move(database)) {
    inputs_.fill(" ");
}

std::string SimulationData::simulatedInputs(int16_t index) const {
    if (index < 0 || index > 12) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return trim(inputs_[static_cast<std::size_t>(index)]);
}

void SimulationData::setSimulatedInputs(int16_t index, const std::string& value) {
    if (index < 0 || index > 12)
        throw NumberedError(ErrorCodes::DATABASE_ERROR, "Simulated input " + toText(index) + " does not exist.");
    inputs_[static_cast<std::size_t>(index)] = value;
}

void SimulationData::save() {
    try {
        Database& db = requireDatabase(database_);
        std::vector<DbValue> params;
        std::string update = "UPDATE Simulation SET ";
        std::string insert = "INSERT INTO Simulation (motorKey";
        std::string values = "VALUES (?";
        for (std::size_t i = 1; i <= 12; ++i) {
            const std::string n = std::to_string(i);
            update += (i > 1 ? " ,in" : "in") + n + " = ?";
            insert += ", in" + n;
            values += ",?";
            params.emplace_back(inputs_[i]);
        }
        update += " WHERE motorKey = ?";
        params.emplace_back(key_);
        auto c = db.Connection();
        if (c->execute(update, params) != 1) {
            params.pop_back();
            params.insert(params.begin(), DbValue(key_));
            if (c->execute(insert + ") " + values + ")", params) != 1)
                throw NumberedError(ErrorCodes::DATABASE_ERROR, "Simulation Data not stored correctly");
        }
    } catch (const NumberedError& e) {
        logAt(LogLevel::Error, "Can't save the Simulation data in the database.-->" + e.description(),
              LogSource::DATABASE_SOURCE);
    }
}

}  // namespace vek
