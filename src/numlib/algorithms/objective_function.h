#pragma once
// OBJECTIVE_FUNCTION: the function a minimiser works on, called as f(N, X, F)
// with N variables at the point X (which the callee leaves unchanged) and the
// value written to F. It refers to the caller's callable without owning it, so
// the callable can carry the caller's data (a lambda capturing the run's master
// curve). The callable must outlive the reference; as a routine's argument, a
// temporary lambda is fine.

#include <memory>
#include <type_traits>

namespace numlib {

class OBJECTIVE_FUNCTION {
 public:
  using Function = void (*)(int n, const double* x, double& f);

  // A plain function.
  OBJECTIVE_FUNCTION(Function function) : call_(&call_function) {  // NOLINT
    target_.function = function;
  }

  // Any other callable of (int, const double*, double&). One that converts to a
  // plain function (a lambda without captures) is kept as one.
  template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, OBJECTIVE_FUNCTION> &&
             std::is_invocable_v<F&, int, const double*, double&>)
  OBJECTIVE_FUNCTION(F&& callable) {  // NOLINT: converts implicitly, like a function reference
    if constexpr (std::is_convertible_v<F, Function>) {
      target_.function = callable;
      call_ = &call_function;
    } else {
      target_.object = const_cast<void*>(static_cast<const void*>(std::addressof(callable)));
      call_ = &call_object<std::remove_reference_t<F>>;
    }
  }

  void operator()(int n, const double* x, double& f) const { call_(target_, n, x, f); }

 private:
  union Target {
    void* object;
    Function function;
  };

  static void call_function(Target t, int n, const double* x, double& f) { t.function(n, x, f); }
  template <class F>
  static void call_object(Target t, int n, const double* x, double& f) {
    (*static_cast<F*>(t.object))(n, x, f);
  }

  Target target_{};
  void (*call_)(Target, int, const double*, double&) = nullptr;
};

}  // namespace numlib
