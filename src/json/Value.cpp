#include "Value.h"

namespace json {

std::string_view Value::typeName() const
{
    switch (kind()) {
    case Kind::Null:
        return "Null";
    case Kind::Boolean:
        return "Boolean";
    case Kind::Number:
        return "Number";
    case Kind::String:
        return "String";
    case Kind::Array:
        return "Array";
    case Kind::Object:
        return "Object";
    case Kind::Foreign:
        return asForeign()->typeName;
    }
    return {};
}

} // namespace json
