#include "mail/MailLibrary.h"

// The console does not load a mail library yet, so every mail feature stays hidden.
bool IsMailLibraryLoaded()
{
    return false;
}
