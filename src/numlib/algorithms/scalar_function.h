#pragma once
// SCALAR_FUNCTION: the equation a root finder solves, a double function of one
// double. It refers to the caller's callable without owning it, so the callable
// can carry the caller's data (a lambda capturing the run's coefficients). The
// callable must outlive the reference; as a routine's argument, a temporary
// lambda is fine.

#include <memory>
#include <type_traits>

namespace numlib {

class SCALAR_FUNCTION {
 public:
  // A plain function.
  SCALAR_FUNCTION(double (*function)(double)) : call_(&call_function) {  // NOLINT
    target_.function = function;
  }

  // Any other callable with a double result for a double argument. One that
  // converts to a plain function (a lambda without captures) is kept as one.
  template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, SCALAR_FUNCTION> &&
             std::is_invocable_r_v<double, F&, double>)
  SCALAR_FUNCTION(F&& callable) {  // NOLINT: converts implicitly, like a function reference
    if constexpr (std::is_convertible_v<F, double (*)(double)>) {
      target_.function = callable;
      call_ = &call_function;
    } else {
      target_.object = const_cast<void*>(static_cast<const void*>(std::addressof(callable)));
      call_ = &call_object<std::remove_reference_t<F>>;
    }
  }

  double operator()(double x) const { return call_(target_, x); }

 private:
  union Target {
    void* object;
    double (*function)(double);
  };

  static double call_function(Target t, double x) { return t.function(x); }
  template <class F>
  static double call_object(Target t, double x) {
    return (*static_cast<F*>(t.object))(x);
  }

  Target target_{};
  double (*call_)(Target, double) = nullptr;
};

}  // namespace numlib
