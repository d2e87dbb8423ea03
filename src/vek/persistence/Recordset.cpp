#include "vek/persistence/Recordset.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

const DbValue& Recordset::field(std::size_t index) const {
    if (eof() || index >= names_.size()) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return rows_[current_][index];
}

const DbValue& Recordset::field(const std::string& name) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (equalsIgnoreCase(names_[i], name)) return field(i);
    throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
}

const std::string& Recordset::fieldName(std::size_t index) const {
    if (index >= names_.size()) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return names_[index];
}

}  // namespace vek
