#include "text/com_apartment.h"

namespace feed {

// No COM here: the regular-expression object is a library, not a component.
ComApartment::ComApartment() = default;
ComApartment::~ComApartment() = default;

}  // namespace feed
