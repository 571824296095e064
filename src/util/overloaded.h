#pragma once
// One visitor made of several lambdas, for std::visit over a variant.

namespace qo {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

}  // namespace qo
