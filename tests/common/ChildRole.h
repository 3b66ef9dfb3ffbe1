#pragma once
// A test program started again by one of its own tests, as a second process in some role: main
// runs the role instead of the tests, once the application and everything static exist. (A role
// run from a static initialiser would meet the program's other statics not yet made.)

using ChildRoleFunction = int (*)();

// Registers a role run when the environment variable is set. Meant for a static initialiser:
// it only stores the pointers. False when the table is full.
bool RegisterChildRole(const char* variable, ChildRoleFunction role);
// For main: when a registered role's variable is set, runs that role and stores its exit code.
bool RunChildRole(int* exitCode);
