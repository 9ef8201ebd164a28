#include "facadetest.h"

#include "facadeprobe.h"

#include "VHNetwork.h"

void FacadeTest::init()
{
    m_server.reset();
    useServer(m_server);
    facadeState() = VHPrimaryDataPrivate();
    NetworkManager::instance().setMaxReplyBytes(NetworkManager::DefaultMaxReplyBytes);
    NetworkManager::instance().setMaxReplyRecords(NetworkManager::DefaultMaxReplyRecords);
}
