// The COM plumbing of the shell extension: a reference-counted object base,
// the class factory, and the module's object and lock counts that decide
// whether the library may be unloaded.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>

#include <new>

namespace brimshex {

// Live handler objects and LockServer locks of the whole module; Explorer
// calls from several threads, so both are changed atomically.
LONG ObjectCount();
LONG LockCount();

// Runs the body of a COM method: an exception must not unwind into the
// shell, so it becomes a failure result.
template <class F>
HRESULT Guarded(F Body) noexcept {
  try {
    return Body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Base of every handler class. Derived classes answer Interface() for their
// own interface identifiers; IUnknown is the first interface they list.
class TComObject {
 public:
  TComObject();
  virtual ~TComObject();
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

 protected:
  HRESULT DoQueryInterface(REFIID Iid, void** Object);
  ULONG DoAddRef();
  ULONG DoRelease();
  // The interface pointer for Iid, or nullptr.
  virtual void* Interface(REFIID Iid) = 0;

 private:
  LONG FRefCount = 1;
};

// IUnknown for a class that derives from TComObject and from its COM
// interfaces: one definition overrides the IUnknown of every interface.
#define BRIMSHEX_IUNKNOWN                                                                          \
  STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override { return DoQueryInterface(Iid, Object); } \
  STDMETHODIMP_(ULONG) AddRef() override { return DoAddRef(); }                                   \
  STDMETHODIMP_(ULONG) Release() override { return DoRelease(); }

// A new object of T with one reference, as its first interface I.
template <class T, class I>
IUnknown* NewComObject() {
  auto* object = new (std::nothrow) T;
  return object ? static_cast<I*>(object) : nullptr;
}

// A class factory that lives as long as the module: it is not counted, and
// every CreateInstance makes a new object (multiple instances).
class TComObjectFactory : public IClassFactory {
 public:
  // Create returns a new object holding one reference.
  using TCreate = IUnknown* (*)();
  TComObjectFactory(const CLSID& ClassId, TCreate Create) : FClassId(ClassId), FCreate(Create) {}
  const CLSID& ClassId() const { return FClassId; }

  STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* Outer, REFIID Iid, void** Object) override;
  STDMETHODIMP LockServer(BOOL Lock) override;

 private:
  CLSID FClassId;
  TCreate FCreate;
};

}  // namespace brimshex
