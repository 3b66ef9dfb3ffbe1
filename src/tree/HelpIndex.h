#pragma once
// The console's help page, <service home>\Help\Index.htm of this computer (F1 and Help ->
// contents).

// Opens the page in the desktop's browser; a missing page or one no browser opens is said in a
// message box (false).
bool OpenHelpIndex();
