#include "shellext/comobj.h"

#include <new>

namespace brimshex {

namespace {
LONG Objects = 0;
LONG Locks = 0;
}  // namespace

LONG ObjectCount() { return InterlockedCompareExchange(&Objects, 0, 0); }
LONG LockCount() { return InterlockedCompareExchange(&Locks, 0, 0); }

TComObject::TComObject() { InterlockedIncrement(&Objects); }
TComObject::~TComObject() { InterlockedDecrement(&Objects); }

HRESULT TComObject::DoQueryInterface(REFIID Iid, void** Object) {
  if (!Object) return E_POINTER;
  *Object = Interface(Iid);
  if (!*Object) return E_NOINTERFACE;
  DoAddRef();
  return S_OK;
}

ULONG TComObject::DoAddRef() { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }

ULONG TComObject::DoRelease() {
  const LONG left = InterlockedDecrement(&FRefCount);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT TComObjectFactory::QueryInterface(REFIID Iid, void** Object) {
  if (!Object) return E_POINTER;
  if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IClassFactory)) {
    *Object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *Object = nullptr;
  return E_NOINTERFACE;
}

HRESULT TComObjectFactory::CreateInstance(IUnknown* Outer, REFIID Iid, void** Object) {
  if (!Object) return E_POINTER;
  *Object = nullptr;
  if (Outer) return CLASS_E_NOAGGREGATION;
  IUnknown* created = FCreate();
  if (!created) return E_OUTOFMEMORY;
  const HRESULT result = created->QueryInterface(Iid, Object);
  created->Release();
  return result;
}

HRESULT TComObjectFactory::LockServer(BOOL Lock) {
  if (Lock)
    InterlockedIncrement(&Locks);
  else
    InterlockedDecrement(&Locks);
  return S_OK;
}

}  // namespace brimshex
