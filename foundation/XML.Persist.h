// Saving and loading objects together with their registered parts, and the registry of
// constructors that recreates objects from a node naming their class.
#pragma once

#include "foundation/XML.Intf.h"

namespace foundation {

// Sets SaveObjectToXML, LoadObjectFromXML, RegisterXMLConstructor and CreateObjectFromXML.
void InstallXMLPersist();
// Empties the constructor registry (program end).
void FinalizeXMLPersist();

} // namespace foundation
