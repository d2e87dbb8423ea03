#include "vek/persistence/Configuration.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/Database.h"

namespace vek {

namespace {
constexpr int16_t kSource = LogSource::DATABASE_SOURCE;
constexpr int32_t kNotGiven = -31913;

void developer(const std::string& message) {
    logAt(LogLevel::DEVELOPER, message, kSource);
}
void error(const std::string& message, const NumberedError& e) {
    logAt(LogLevel::Error, message + "-->" + e.description(), kSource);
}

const char* const kGains[] = {"kp", "ki", "kd", "kl", "ks", "kv", "ka", "kg"};

std::string motorColumns() {
    std::string s = "motorKey, name, slideKey, effectiveStroke";
    for (int i = 1; i <= 12; ++i) s += ", in" + std::to_string(i);
    for (int i = 1; i <= 10; ++i) s += ", out" + std::to_string(i);
    for (const char* g : kGains) s += std::string(", ") + g;
    return s + ", negativeHomingOffset, positiveHomingOffset";
}
}  // namespace

Configuration::Configuration(std::shared_ptr<Database> database) : database_(std::move(database)) {
    developer("Initializing Configuration");
    const auto snapshot = readSnapshot();
    developer("Loading Slide Data");
    loadSlides();
    developer("Loading Motor Data");
    loadMotors();
    developer("Loading Config Data");
    loadConfigValues();
    developer("Loading Simulation Data");
    loadSimulationData();
    for (int i = 1; i <= 9; ++i) availablePorts_->add("COM" + std::to_string(i), std::to_string(i));
}

Configuration::~Configuration() {
    developer("Terminating Configuration");
}

Database& Configuration::database() const {
    return requireDatabase(database_);
}

std::optional<DbSavepoint> Configuration::readSnapshot() const {
    // The tables are read in one transaction: another process's commit
    // between them (a new slide and the axes put on it) is seen whole or not
    // at all, never as axes on a slide that is not there.
    try {
        return std::optional<DbSavepoint>(std::in_place, *database().Connection(), "vek_load");
    } catch (const NumberedError&) {
        return std::nullopt;  // the loads say what is wrong
    }
}

void Configuration::reload() {
    const auto snapshot = readSnapshot();
    loadSlides();
    loadMotors();
    loadConfigValues();
}

void Configuration::loadSlides() {
    try {
        // The old store proved its data access components here; SQLite is
        // linked in, so there is nothing left to check but the log lines.
        developer("MDAC Check Start...");
        developer("MDAC Check End.");
        slidesData_ = std::make_shared<SlideDataCollection>();
        distinctSlidesData_ = std::make_shared<TextCollection>();
        Recordset rs = database().Connection()->query(
            "SELECT slideKey, model, pitch, stroke, maxSpeed, maxAcceleration, motorType FROM Slide");
        for (; !rs.eof(); rs.moveNext()) {
            auto slide = std::make_shared<SlideData>();
            slide->setKey(rs.field(0).toInt16());
            slide->setModel(trim(rs.field(1).toText()));
            slide->setPitch(rs.field(2).toDouble());
            slide->setStroke(rs.field(3).toDouble());
            slide->setMaxSpeed(rs.field(4).toDouble());
            slide->setMaxAcceleration(rs.field(5).toDouble());
            slide->setMotorType(rs.field(6).toInt16());
            slidesData_->add(slide, toText(slide->key()));
            addDistinctModel(slide->model());
        }
    } catch (const NumberedError& e) {
        error("Can't load the slide data from the database.", e);
    }
}

void Configuration::addDistinctModel(const std::string& model) {
    if (!distinctSlidesData_->contains(model)) distinctSlidesData_->add(model, model);
}

void Configuration::loadMotors() {
    try {
        motorsData_ = std::make_shared<MotorDataCollection>();
        Recordset rs = database().Connection()->query("SELECT " + motorColumns() + " FROM Motor Order by motorKey ASC");
        for (int16_t n = 1; n <= 8 && !rs.eof(); ++n, rs.moveNext()) {
            auto motor = std::make_shared<MotorData>();
            motor->setKey(n);
            motor->setDbKey(rs.field(0).toInt16());
            if (!rs.field(1).isNull()) motor->setName(trim(rs.field(1).toText()));
            const DbValue& slideKey = rs.field(2);
            if (!slideKey.isNull() && slideKey.toDouble() != kNotGiven)
                motor->setSlideData(slidesData_->item(toText(slideKey.toInt16())));
            if (!rs.field(3).isNull()) motor->setEffectiveStroke(rs.field(3).toDouble());
            for (std::size_t i = 0; i < 12; ++i) motor->inputLabels().add(trim(rs.field(4 + i).toText()));
            for (std::size_t i = 0; i < 10; ++i) {
                const DbValue& out = rs.field(16 + i);
                // out7..out10 came later; rows from before have none.
                motor->outputLabels().add(out.isNull() && i >= 6 ? "Out" + std::to_string(i + 1) : trim(out.toText()));
            }
            for (int16_t g = 1; g <= 8; ++g) motor->setTuningValue(g, rs.field(25 + g).toInt32());
            motor->setNegativeHomingOffset(rs.field(34).toDouble());
            motor->setPositiveHomingOffset(rs.field(35).toDouble());
            motorsData_->add(motor, toText(n));
        }
    } catch (const NumberedError& e) {
        error("Can't load the motor data from the database.", e);
    }
}

void Configuration::loadConfigValues() {
    try {
        configValues_ = std::make_shared<TextCollection>();
        Recordset rs = database().Connection()->query("SELECT configKey, keyName, keyValue FROM Config");
        for (; !rs.eof(); rs.moveNext()) configValues_->add(rs.field(2).textOr({}), rs.field(1).toText());
    } catch (const NumberedError& e) {
        error("Can't load the configuration data from the database.", e);
    }
}

void Configuration::loadSimulationData() {
    try {
        simulationData_ = std::make_shared<SimulationDataCollection>();
        std::string sql = "SELECT motorKey";
        for (int i = 1; i <= 12; ++i) sql += ", in" + std::to_string(i);
        Recordset rs = database().Connection()->query(sql + " FROM Simulation");
        for (; !rs.eof(); rs.moveNext()) {
            auto data = std::make_shared<SimulationData>(database_);
            data->setKey(rs.field(0).toInt16());
            for (int16_t i = 1; i <= 12; ++i) {
                const DbValue& v = rs.field(static_cast<std::size_t>(i));
                if (v.isNull()) {
                    data->setSimulatedInputs(i, " ");
                } else if (std::string t = trim(v.toText()); !t.empty()) {
                    data->setSimulatedInputs(i, t);
                }
            }
            simulationData_->add(data, toText(data->key()));
        }
    } catch (const NumberedError& e) {
        error("Can't load the simulation data from the database.", e);
    }
}

bool Configuration::containsConfigKey(const std::string& key) const {
    return configValues_->contains(key);
}

std::string Configuration::getConfigValue(const std::string& key, const std::string& defaultValue) const {
    return containsConfigKey(key) ? configValues_->item(key) : defaultValue;
}

void Configuration::storeConfigValue(const std::string& name, const std::string& value) {
    if (containsConfigKey(name)) configValues_->remove(name);
    configValues_->add(value, name);
    try {
        auto c = database().Connection();
        if (c->execute("UPDATE Config SET keyValue = ? WHERE keyName = ?", {value, name}) != 1 &&
            c->execute("INSERT INTO Config (keyValue, keyName) VALUES (?,?)", {value, name}) != 1)
            throw NumberedError(ErrorCodes::DATABASE_ERROR, "Config status not stored correctly");
    } catch (const NumberedError& e) {
        error("Can't save the configuration data in the database.", e);
    }
}

void Configuration::removeConfigValue(const std::string& key) {
    if (!containsConfigKey(key)) return;
    configValues_->remove(key);
    try {
        if (database().Connection()->execute("DELETE FROM Config WHERE keyName = ?", {key}) != 1)
            throw NumberedError(ErrorCodes::DATABASE_ERROR, "Config status not deleted correctly");
    } catch (const NumberedError& e) {
        error("Can't delete the configuration data in the database.", e);
    }
}

double Configuration::MOTOR_X_PITCH() const {
    auto slide = motorsData_->item(1)->SlideData();
    if (!slide) raiseObjectNotSet();
    return slide->pitch();
}

int16_t Configuration::MOTOR_X_TYPE() const {
    auto slide = motorsData_->item(1)->SlideData();
    if (!slide) raiseObjectNotSet();
    return slide->motorType();
}

void Configuration::saveData(bool alsoRaisEvent) {
    for (int16_t n = 1; n <= 8; ++n) {
        const auto& motor = motorsData_->item(static_cast<std::size_t>(n));
        persistMotorData(*motor);
        if (!motor->name().empty() && axisRenamed_) axisRenamed_(n, motor->name());
    }
    if (alsoRaisEvent) raiseConfigChangedEvent("config");
}

void Configuration::persistMotorData(const MotorData& motor) {
    try {
        std::string sql = "UPDATE Motor SET name = ? ,slideKey = ?";
        std::vector<DbValue> params{motor.name(),
                                    motor.SlideData() ? DbValue(motor.SlideData()->key()) : DbValue(kNotGiven)};
        for (std::size_t i = 1; i <= 12; ++i) {
            sql += " ,in" + std::to_string(i) + " = ?";
            params.emplace_back(motor.inputLabels().item(i));
        }
        for (std::size_t i = 1; i <= 10; ++i) {
            sql += " ,out" + std::to_string(i) + " = ?";
            params.emplace_back(motor.outputLabels().item(i));
        }
        for (int16_t g = 1; g <= 8; ++g) {
            sql += std::string(" ,") + kGains[g - 1] + " = ?";
            params.emplace_back(motor.tuningValue(g));
        }
        sql += " ,effectiveStroke = ? ,negativeHomingOffset = ? ,positiveHomingOffset = ? WHERE motorKey = ?";
        params.emplace_back(motor.effectiveStroke());
        params.emplace_back(motor.negativeHomingOffset());
        params.emplace_back(motor.positiveHomingOffset());
        params.emplace_back(motor.dbKey());
        if (database().Connection()->execute(sql, params) != 1)
            throw NumberedError(ErrorCodes::DATABASE_ERROR, "MotorData not updated correctly");
    } catch (const NumberedError& e) {
        error("Can't save the motor data in the database.", e);
    }
}

void Configuration::raiseConfigChangedEvent(const std::string& source) {
    std::string s = source;
    configChanged.raise(s);
}

std::shared_ptr<SimulationData> Configuration::getSimulationData(int16_t motorKey) const {
    const std::string key = toText(motorKey);
    return simulationData_->contains(key) ? simulationData_->item(key) : nullptr;
}

std::string Configuration::portName() const {
    return getConfigValue("port");
}
void Configuration::setPortName(const std::string& v) {
    storeConfigValue("port", v);
}
int16_t Configuration::unit() const {
    return toInt16(toDouble(getConfigValue("unit")));
}
void Configuration::setUnit(int16_t v) {
    storeConfigValue("unit", toText(v));
}
int32_t Configuration::cycleCount() const {
    return toInt32(toDouble(getConfigValue("cycleCount")));
}
void Configuration::setCycleCount(int32_t v) {
    storeConfigValue("cycleCount", toText(v));
}

double Configuration::gridIncrement() const {
    switch (unit()) {
        case 1: return 100.0;
        case 2: return 1.0;
        case 3: return 0.1;
        default: return 0;
    }
}

}  // namespace vek
