#pragma once
// Whether the mail library (the messaging interface the e-mail method uses) is loaded. Commands
// and dialogs that offer Microsoft Exchange settings or e-mail recipients ask this.
bool IsMailLibraryLoaded();
// Whether that library is the Exchange kind (the e-mail method is then titled after it and the
// Exchange settings are offered).
bool IsExchangeMailClient();
