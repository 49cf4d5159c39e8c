#pragma once
// Platform service: the run-time type name of a type, written the way the Windows run-time
// writes it so that messages read the same everywhere ("class QString", "int", "float").

#include <QString>

#include <type_traits>
#include <typeinfo>

// bIsClass tells whether the type is a class type (it gets the "class " prefix).
// Answers an empty text when the platform has no name for the type.
QString runtimeTypeName(const std::type_info &info, bool bIsClass);

// The name of T as above.
template <typename T>
QString typeNameOf()
{
    return runtimeTypeName(typeid(T), std::is_class<T>::value || std::is_union<T>::value);
}
