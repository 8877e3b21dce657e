// A visitor made of several lambdas, for std::visit over the closed variants of the model and the toolkit.
#pragma once

namespace rw {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
// Spelled out for compilers that do not deduce aggregate bases yet (clang 14).
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace rw
