#include "FakePlatform.h"

#include "StandardDirectories.h"

FakePlatform::FakePlatform()
    : mainQueue_(MainQueue::Delivery::Manual)
    , now_(QDateTime::currentDateTime())
    , pictures_(StandardDirectories::pictures())
    , caches_(StandardDirectories::caches())
    , preferences_(StandardDirectories::preferencesFile())
{
}
