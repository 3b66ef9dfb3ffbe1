#pragma once
// The method leaves a table leaf creates, by method and ALSTRUCT version. The leaves themselves
// live in the layer above; that layer fills this registry at start-up, so the table leaf needs
// no method-leaf class to create its children.
#include <cstdint>

class CAlertLeaf;

namespace MethodLeafRegistry {

using Factory = CAlertLeaf* (*)();

// Makes `factory` the maker of the leaf of the method `methodBit` (a method bit of the service;
// the pager method is known by the numeric pager's bit) in tables of ALSTRUCT version
// `firstVersion` and later. A later call for the same method and version replaces the factory.
void Add(uint32_t methodBit, int firstVersion, Factory factory);

// A new, parentless leaf of the method for a table of `version`; null when no factory covers
// that method at that version.
CAlertLeaf* Create(uint32_t methodBit, int version);

} // namespace MethodLeafRegistry
