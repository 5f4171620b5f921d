// Runs a function on every way out of a scope.
#pragma once

template <class F>
struct TFinally {
  F Fn;
  ~TFinally() { Fn(); }
};
template <class F>
TFinally(F) -> TFinally<F>;
