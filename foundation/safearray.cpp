#include "safearray.h"

#include <comdef.h>

SafeArray SafeArray::vector(VARTYPE type, ULONG count) {
    SAFEARRAY* array = SafeArrayCreateVector(type, 0, count);
    if (!array) throw _com_error(E_OUTOFMEMORY);
    return SafeArray(array);
}
