#pragma once
// Lets every machine of the world be reached for a test's life (as if connected), then puts
// back whatever access rule was installed before.
#include "platform/World.h"

class AllRemoteAccess {
public:
    AllRemoteAccess() : m_saved(World::RemoteAccessCheck()) { World::SetRemoteAccessCheck({}); }
    ~AllRemoteAccess() { World::SetRemoteAccessCheck(m_saved); }
    AllRemoteAccess(const AllRemoteAccess&) = delete;
    AllRemoteAccess& operator=(const AllRemoteAccess&) = delete;

private:
    World::AccessCheck m_saved;
};
