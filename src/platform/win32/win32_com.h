// Win32 backend: one owned reference to a COM interface, released when it goes, so no
// early return can leak one.
#pragma once

#include "platform/win32/windows_api.h"

#include <oleauto.h>
#include <unknwn.h>

#include <utility>

namespace sp::win32ui {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller already holds (a new object's first one).
  static ComPtr Adopt(T* p) {
    ComPtr owned;
    owned.p_ = p;
    return owned;
  }
  // Takes a reference of its own.
  static ComPtr Share(T* p) {
    if (p) p->AddRef();
    return Adopt(p);
  }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For a call that hands out a new reference.
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  // Hands the reference to the caller (a COM out-parameter).
  T* Detach() { return std::exchange(p_, nullptr); }

  // The same object through another of its interfaces; empty when it has none.
  template <typename U>
  ComPtr<U> As() const {
    ComPtr<U> other;
    if (p_) p_->QueryInterface(__uuidof(U), other.OutVoid());
    return other;
  }

 private:
  T* p_ = nullptr;
};

// One owned BSTR, freed when it goes.
class Bstr {
 public:
  explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

}  // namespace sp::win32ui
