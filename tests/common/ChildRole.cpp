#include "ChildRole.h"

#include <QtGlobal>

namespace {

struct Role {
    const char* variable;
    ChildRoleFunction function;
};

// Plain data, zero before any initialiser runs.
Role g_roles[8];
int g_roleCount;

} // namespace

bool RegisterChildRole(const char* variable, ChildRoleFunction role)
{
    if (g_roleCount >= int(sizeof(g_roles) / sizeof(g_roles[0])))
        return false;
    g_roles[g_roleCount++] = Role{variable, role};
    return true;
}

bool RunChildRole(int* exitCode)
{
    for (int i = 0; i < g_roleCount; ++i) {
        if (!qEnvironmentVariableIsEmpty(g_roles[i].variable)) {
            *exitCode = g_roles[i].function();
            return true;
        }
    }
    return false;
}
