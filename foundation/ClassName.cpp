#include "foundation/ClassName.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace foundation {

std::string ClassNameOf(const std::type_info& Type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(Type.name(), nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && demangled ? demangled.get() : Type.name();
    // Strip the namespaces of the class itself, not those inside template arguments.
    size_t end = name.find('<');
    size_t cut = name.rfind("::", end);
    return cut == std::string::npos ? name : name.substr(cut + 2);
}

std::string ClassName(IInterface* AObject) {
    return AObject ? ClassNameOf(typeid(*AObject)) : std::string();
}

} // namespace foundation
