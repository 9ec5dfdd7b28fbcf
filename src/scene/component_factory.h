#pragma once
// The classes behind the component type codes.
#include <cstdint>
#include <memory>

namespace velk {

class TVelkObject;
class TVelkBaseList;

// A new, unregistered object of the class of a type code, or null for codes without a class.
std::unique_ptr<TVelkObject> NewComponent(uint8_t code, TVelkBaseList* scene);

}  // namespace velk
