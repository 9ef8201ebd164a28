#include "VHSocketIO.h"

VHSocketIO *VHSocketIO::GetInstance()
{
    static VHSocketIO socket;
    return &socket;
}

void VHSocketIO::CloseConnect()
{
    ++m_closeCount;
}
