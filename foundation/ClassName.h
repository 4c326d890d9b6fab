// The class name of an object as its type reports it, without namespaces: the name documents
// store in "Class" and the message bus puts into its error texts.
#pragma once

#include <string>
#include <typeinfo>

#include "foundation/IntfClasses.h"

namespace foundation {

std::string ClassNameOf(const std::type_info& Type);
// The class of the complete object behind the reference; empty for none.
std::string ClassName(IInterface* AObject);

} // namespace foundation
