#pragma once
// The names under which the application shows itself to Qt and to the operator.

constexpr char kAppName[] = "Trevik Tool";
constexpr char kAppVersion[] = "1.0.0.5";
constexpr char kAppBuild[] = "1612211426";
constexpr char kOrganizationName[] = "Velmora";
constexpr char kOrganizationDomain[] = "Velmora Ltd.";
