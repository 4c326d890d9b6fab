#include "foundation/Exceptions.h"

#include <cstring>

namespace foundation {

EOSError::EOSError(const std::string& Msg, int Code)
    : Exception(Msg + ": " + std::strerror(Code)), FErrorCode(Code) {}

} // namespace foundation
