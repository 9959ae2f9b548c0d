#pragma once

#include <cstddef>
#include <tuple>

// The optional operations of a delegate (or of any object that may or may
// not implement an operation), declared once as the list of the small
// interfaces such an object also derives from to implement them:
//
//     class Delegate {
//     public:
//         class TapOnMarker { ... };
//         class TapOnLabel { ... };
//         using Operations = RMOptionalOperations<TapOnMarker, TapOnLabel>;
//     };
//
// Made from an object, the table asks once (dynamic_cast) which operations
// it implements; get<Operation>() is then the object as that interface, or
// null when it lacks the operation, so a missing operation is never called,
// and implements<Operation>() answers the question for tests. The table does
// not own the object.
template<typename... Operations> class RMOptionalOperations {
public:
    // Implements nothing.
    RMOptionalOperations() = default;
    template<typename Object>
    explicit RMOptionalOperations(Object* object)
        : implementations_ { dynamic_cast<Operations*>(object)... }
    { }

    template<typename Operation> Operation* get() const { return std::get<Operation*>(implementations_); }
    template<typename Operation> bool implements() const { return get<Operation>() != nullptr; }
    // How many of the `size` operations the object implements.
    static constexpr std::size_t size = sizeof...(Operations);
    std::size_t implementedCount() const
    {
        return std::apply([](auto*... operation) { return (std::size_t(0) + ... + (operation ? 1 : 0)); },
            implementations_);
    }

private:
    std::tuple<Operations*...> implementations_ {};
};
