#pragma once
// Platform service: the run-time type name of a type, written the way the Windows run-time
// writes it so that messages read the same everywhere ("class QString", "int", "float").

#include <QString>

#include <typeinfo>

// bIsClass tells whether the type is a class type (it gets the "class " prefix).
// Answers an empty text when the platform has no name for the type.
QString runtimeTypeName(const std::type_info &info, bool bIsClass);
