#ifndef VHSOCKETIO_H
#define VHSOCKETIO_H

#include "VHPrimaryDataExport.h"

/// The client's push connection. The library only ever closes it, when a user
/// logs in or out; the count of those requests is kept so they can be observed.
class VHPRIMARYDATA_EXPORT VHSocketIO
{
public:
    static VHSocketIO *GetInstance();

    void CloseConnect();
    int closeCount() const { return m_closeCount; }

private:
    VHSocketIO() = default;
    int m_closeCount = 0;
};

#endif // VHSOCKETIO_H
