// COM objects without a class library: reference counting, QueryInterface over an interface table, the
// aggregation rules, the class factory, and the count of living objects and server locks that a library's
// DllCanUnloadNow answers from.
//
// A class lists its interfaces in a table, in the order QueryInterface answers them, ended by an empty
// entry:
//     class Widget : public IWidget, public IOther {
//       public:
//         static const ComInterfaceEntry kInterfaces[];
//         ...the interfaces' own operations...
//     };
//     const ComInterfaceEntry Widget::kInterfaces[] = {
//         ComEntry<Widget, IWidget>(IID_IWidget), ComEntry<Widget, IOther>(IID_IOther), {}};
// and ComObject<Widget> adds IUnknown. Header only: each library has its own module count.
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "platform/com/com_unknown.h"

// A library's living COM objects and server locks.
class ComModule {
  public:
    void Lock() { count_.fetch_add(1); }
    void Unlock() { count_.fetch_sub(1); }
    LONG Count() const { return count_.load(); }

  private:
    std::atomic<LONG> count_{0};
};

struct ComInterfaceEntry {
    const IID* iid = nullptr;
    void* (*cast)(void* object) = nullptr;  // the object as that interface
};

template <class Object, class Interface>
constexpr ComInterfaceEntry ComEntry(const IID& iid) {
    return {&iid,
            [](void* object) -> void* { return static_cast<Interface*>(static_cast<Object*>(object)); }};
}

// The object of class T with its reference count. Stand-alone, the IUnknown of every interface is the
// object's own; aggregated, every interface passes IUnknown to the outer object, and only the inner
// IUnknown (Inner()) counts this object's references and answers its interfaces.
template <class T>
class ComObject final : public T {
  public:
    // A new object with no reference yet; null when memory ran out. Any other exception from T's
    // constructor reaches the caller.
    template <class... Args>
    static ComObject* New(ComModule* module, IUnknown* outer, Args&&... args) {
        try {
            return new ComObject(module, outer, std::forward<Args>(args)...);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return controlling_->QueryInterface(iid, object);
    }
    ULONG AddRef() override { return controlling_->AddRef(); }
    ULONG Release() override { return controlling_->Release(); }

    IUnknown* Inner() { return &inner_; }

  private:
    template <class... Args>
    ComObject(ComModule* module, IUnknown* outer, Args&&... args)
        : T(std::forward<Args>(args)...),
          module_(module),
          inner_(this),
          controlling_(outer != nullptr ? outer : &inner_) {
        if (module_ != nullptr) module_->Lock();
    }
    ~ComObject() {
        if (module_ != nullptr) module_->Unlock();
    }

    class InnerUnknown final : public IUnknown {
      public:
        explicit InnerUnknown(ComObject* owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID iid, void** object) override {
            if (object == nullptr) return E_POINTER;
            *object = nullptr;
            if (iid == IID_IUnknown) {
                *object = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            for (const ComInterfaceEntry* entry = T::kInterfaces; entry->iid != nullptr; ++entry) {
                if (*entry->iid == iid) {
                    *object = entry->cast(static_cast<T*>(owner_));
                    static_cast<IUnknown*>(*object)->AddRef();  // the controlling object's reference
                    return S_OK;
                }
            }
            return E_NOINTERFACE;
        }
        ULONG AddRef() override { return refs_.fetch_add(1) + 1; }
        ULONG Release() override {
            const ULONG left = refs_.fetch_sub(1) - 1;
            if (left == 0) delete owner_;
            return left;
        }

      private:
        ComObject* owner_;
        std::atomic<ULONG> refs_{0};
    };

    ComModule* module_;
    InnerUnknown inner_;
    IUnknown* controlling_;
};

// Creates an object of class T (constructed from args) and asks it for iid. Aggregation asks for IUnknown
// only (CLASS_E_NOAGGREGATION otherwise); E_OUTOFMEMORY when memory ran out, E_UNEXPECTED when T's
// constructor threw anything else (no exception leaves a creation through COM); a refused interface deletes
// the object again.
template <class T, class... Args>
HRESULT ComCreate(ComModule* module, IUnknown* outer, REFIID iid, void** object, Args&&... args) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    ComObject<T>* created = nullptr;
    try {
        created = ComObject<T>::New(module, outer, std::forward<Args>(args)...);
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (created == nullptr) return E_OUTOFMEMORY;
    IUnknown* inner = created->Inner();
    inner->AddRef();  // holds the object while it is asked
    const HRESULT result = inner->QueryInterface(iid, object);
    inner->Release();
    return result;
}

// The creation function of a class factory for class T.
template <class T>
HRESULT ComCreateInstance(ComModule* module, IUnknown* outer, REFIID iid, void** object) {
    return ComCreate<T>(module, outer, iid, object);
}

// The class factory of one class: CreateInstance through the class's creation function, LockServer on
// the module's count.
class ComClassFactory : public IClassFactory {
  public:
    using Creator = HRESULT (*)(ComModule* module, IUnknown* outer, REFIID iid, void** object);
    static const ComInterfaceEntry kInterfaces[];

    ComClassFactory(ComModule* module, Creator creator) : module_(module), creator_(creator) {}
    virtual ~ComClassFactory() = default;

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        return creator_(module_, outer, iid, object);
    }
    HRESULT LockServer(BOOL lock) override {
        if (module_ == nullptr) return S_OK;
        lock ? module_->Lock() : module_->Unlock();
        return S_OK;
    }

  private:
    ComModule* module_;
    Creator creator_;
};

inline const ComInterfaceEntry ComClassFactory::kInterfaces[] = {
    ComEntry<ComClassFactory, IClassFactory>(IID_IClassFactory), {}};

// A new class factory for creator, asked for iid (DllGetClassObject's work once the class is known).
inline HRESULT ComGetClassFactory(ComModule* module, ComClassFactory::Creator creator, REFIID iid,
                                  void** object) {
    return ComCreate<ComClassFactory>(module, nullptr, iid, object, module, creator);
}
