#include "mail/MailLibrary.h"

#include "mail/MapiInterface.h"

bool IsMailLibraryLoaded()
{
    return CMapiInterface::Instance().IsMapiAvailable();
}

bool IsExchangeMailClient()
{
    return CMapiInterface::Instance().IsExchangeClientInstalled();
}
