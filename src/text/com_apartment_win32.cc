#include "text/com_apartment.h"

#include <objbase.h>

namespace feed {

// ole32 is linked, not looked up by name: the regular-expression object
// needs many more of its entries (and oleaut32's), and both DLLs are part of
// every Windows, so binding two of them at run time would only add a way to
// fail.

ComApartment::ComApartment() {
  // S_OK and S_FALSE (already in the apartment) both count as an entry that
  // must be left; RPC_E_CHANGED_MODE does not.
  entered_ = SUCCEEDED(::CoInitialize(nullptr));
}

ComApartment::~ComApartment() {
  if (entered_) ::CoUninitialize();
}

}  // namespace feed
