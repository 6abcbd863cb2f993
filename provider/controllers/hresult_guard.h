// The way out of every provider method: a failure raised inside as an HRESULT value becomes the method's
// result, an allocation failure E_OUTOFMEMORY; no exception leaves a COM method.
#pragma once

#include <new>

#include "platform/com/com_results.h"

template <class Body>
HRESULT CatchHresult(Body&& body) {
    try {
        return body();
    } catch (HRESULT raised) {
        return raised;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
