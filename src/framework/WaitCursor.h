#pragma once
// Shows the wait cursor for as long as the object lives. Nestable: each object pushes one
// override cursor and pops its own. Only on the user-interface thread; elsewhere, and without
// a GUI application, it does nothing.

class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    // Puts the wait cursor back after something (a message box) removed it.
    void Restore();
    // Whether any wait cursor is showing (for tests).
    static bool IsShowing();

private:
    bool m_active = false;
};
